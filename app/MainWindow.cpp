#include "app/MainWindow.h"

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "app/Entry.h"
#include "app/Panel.h"
#include "app/Switches.h"
#include "app/TrayIcon.h"
#include "app/logic/AutoClean.h"
#include "app/logic/StatusLines.h"
#include "app/logic/UserLocale.h"
#include "common/Accessible.h"
#include "common/AppGlobals.h"
#include "common/ComInit.h"
#include "common/Dpi.h"
#include "common/MessageFilter.h"
#include "common/ShellOpen.h"
#include "common/SystemProc.h"
#include "common/UiDispatcher.h"
#include "common/Utf.h"
#include "config/Config.h"
#include "i18n/TranslateWin.h"
#include "memory/MemoryPurge.h"
#include "memory/MemoryStatus.h"
#include "memory/Privilege.h"
#include "resources/resource.h"
#include "theme/ActivityIndicator.h"
#include "theme/DrawSupport.h"
#include "theme/HighContrast.h"
#include "theme/Logo.h"
#include "theme/StyledButton.h"
#include "theme/ThemeHelper.h"
#include "update/Identity.h"
#include "update/UpdateCheck.h"

namespace sweeplet {
namespace {

constexpr UINT kStatusInterval = 1000;
constexpr ULONGLONG kTimerResolutionMs = 16;
constexpr wchar_t kDialogClass[] = L"#32770";
const UINT kTaskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");

constexpr std::array<const wchar_t*, 7> kPercentItems = {L"30", L"40", L"50", L"60", L"70", L"80", L"90"};
constexpr std::array<const wchar_t*, 7> kMinuteItems = {L"5", L"10", L"20", L"30", L"40", L"50", L"60"};

// One automatic-cleaning setting of the Config page: a check box and the list it enables, the two
// values that store them, and the fields the automatic rule reads them into. Loading, the change
// handlers and the status tick all go by this table.
struct AutoSetting {
  int box;
  int list;
  const wchar_t* enabledName;  // Boolean: the box is checked and the list enabled
  const wchar_t* limitName;    // Integer: the position selected in the list
  int defaultPosition;
  std::span<const wchar_t* const> items;
  bool AutoCleanSettings::*on;
  std::string AutoCleanSettings::*text;
};

constexpr AutoSetting kAutoSettings[] = {
    {IdChkUsagePhys, IdEditUsagePhys, L"enabled_usage_phys", L"limit_usage_phys", 6, kPercentItems,
     &AutoCleanSettings::usagePhys, &AutoCleanSettings::usagePhysText},
    {IdChkUsagePage, IdEditUsagePage, L"enabled_usage_page", L"limit_usage_page", 6, kPercentItems,
     &AutoCleanSettings::usagePage, &AutoCleanSettings::usagePageText},
    {IdChkUsageWork, IdEditUsageWork, L"enabled_usage_work", L"limit_usage_work", 6, kPercentItems,
     &AutoCleanSettings::usageWork, &AutoCleanSettings::usageWorkText},
    {IdChkMinute, IdEditMinute, L"enabled_minute", L"limit_minute", 3, kMinuteItems, &AutoCleanSettings::minute,
     &AutoCleanSettings::minuteText},
};
static_assert(std::ranges::all_of(kAutoSettings,
                                  [](const AutoSetting& s) {
                                    return s.defaultPosition >= 0 &&
                                           static_cast<size_t>(s.defaultPosition) < s.items.size();
                                  }),
              "every default names an item of its list");

const AutoSetting* FindAutoSetting(int id) {
  for (const AutoSetting& s : kAutoSettings) {
    if (s.box == id || s.list == id) return &s;
  }
  return nullptr;
}

constexpr wchar_t kCleanOnTrayName[] = L"cleanontray";

std::wstring LinkUrl(const char* scheme, const char* pathAndQuery) {
  return Widen(std::string(scheme) + "://" + kLinkHost + pathAndQuery);
}

HWND MakeChild(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id, const RECT& rect) {
  return ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           ::GetModuleHandleW(nullptr), nullptr);
}

// The control's own visibility, whatever its page or the window shows.
bool HasVisibleStyle(HWND control) { return (::GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0; }

// Carries out what the plan says about the task; the box and the notice are the caller's.
void ApplyTaskChange(const LogonTaskSwitch& task, const LogonTaskPlan& plan) {
  if (plan.change == TaskChange::Register) task.Set(true, plan.delaySeconds);
  if (plan.change == TaskChange::Remove) task.Set(false, 0);
}

std::wstring AppVersion3() { return GetAppVersion(L"%d.%d.%d"); }

bool IsChecked(HWND box) { return ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

std::wstring WindowCaption(HWND hwnd) {
  wchar_t caption[256] = {};
  ::GetWindowTextW(hwnd, caption, 256);
  return caption;
}

}  // namespace

TFrmSweeplet::TFrmSweeplet(const StartOptions& options, const Services& services)
    : options_(options), services_(services), logonTask_(kLogonTaskName, *services.taskScheduler) {}

TFrmSweeplet::~TFrmSweeplet() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

void TFrmSweeplet::RegisterWindowClass(HINSTANCE instance) noexcept {
  RegisterPanelClass(instance);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &TFrmSweeplet::StaticWndProc;
  wc.hInstance = instance;
  wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
  wc.hIconSm = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                               ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kInstanceName;  // other starts find the running instance by this class name
  ::RegisterClassExW(&wc);
}

bool TFrmSweeplet::Create() noexcept {
  constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  constexpr DWORD exStyle = WS_EX_CONTROLPARENT;
  ::CreateWindowExW(exStyle, kInstanceName, L"Sweeplet", style, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr,
                    ::GetModuleHandleW(nullptr), this);
  return hwnd_ != nullptr;
}

LRESULT CALLBACK TFrmSweeplet::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TFrmSweeplet* self = nullptr;
  if (msg == WM_NCCREATE) {
    self = static_cast<TFrmSweeplet*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<TFrmSweeplet*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!self) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  try {
    return self->WndProc(msg, wParam, lParam);
  } catch (...) {
    // No exception may unwind through the window system.
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

LRESULT TFrmSweeplet::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      FormCreate();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_TIMER:
      if (wParam == kStatusTimerId) TmrStatusTimer();
      return 0;
    case WM_CLOSE:
      if (destroying_) return 0;  // sent by another process while the window goes
      if (FormCloseQuery()) ::DestroyWindow(hwnd_);
      return 0;
    case WM_QUERYENDSESSION:
      // Log-off or shutdown: end without a question and never block it.
      FCanClose = true;
      ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
      return 1;
    case WM_ENDSESSION:
      if (wParam) CloseForGood();
      return 0;
    case WM_HELP:
      return 0;  // F1 does nothing
    case WM_USER:
      // WM_USER is also DM_GETDEFID, which the dialog manager sends for Enter; hand-offs carry 1 or 2.
      if (wParam == 0 && lParam == 0) return DefaultButton();
      OnHandOff(wParam);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        RememberFocus();
      } else if (HIWORD(wParam) == 0) {  // not while minimised
        RestoreFocus();
        return 0;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      MarkCleanAsDefault(msg == WM_SETFOCUS);
      return 0;
    case WM_NEXTDLGCTL:
      OnNextDlgCtl(wParam, LOWORD(lParam) != 0);
      return 0;
    case WM_GETDLGCODE:
      // Asked only while the window itself has the focus. The dialog manager finds nothing
      // before "nothing", so Shift+Tab would stay put: Tab comes here as a key instead.
      return DLGC_WANTTAB;
    case WM_KEYDOWN:
      if (wParam == VK_TAB) {
        OnNextDlgCtl(::GetKeyState(VK_SHIFT) < 0 ? 1 : 0, false);
        return 0;
      }
      break;
    case WM_SYSCOLORCHANGE:
      RepaintForColours();
      return 0;
    case kTrayCallbackMessage:
      if (TrayIcon) {
        switch (TrayIcon->OnCallback(lParam)) {
          case TTrayIcon::Event::Click:
            TrayIconClick();
            break;
          case TTrayIcon::Event::Menu: {
            // The menu closes properly only when its owner is the foreground window.
            ::SetForegroundWindow(hwnd_);
            POINT pt;
            ::GetCursorPos(&pt);
            ::TrackPopupMenuEx(popup_.get(), TPM_RIGHTBUTTON, pt.x, pt.y, hwnd_, nullptr);
            ::PostMessageW(hwnd_, WM_NULL, 0, 0);
            break;
          }
          case TTrayIcon::Event::None:
            break;
        }
      }
      return 0;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wParam);
      const auto* rc = reinterpret_cast<const RECT*>(lParam);
      ::SetWindowPos(hwnd_, nullptr, rc->left, rc->top, rc->right - rc->left, rc->bottom - rc->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      ApplyFonts();
      Layout();
      return 0;
    }
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETICONTITLELOGFONT || wParam == SPI_SETNONCLIENTMETRICS) ApplyFonts();
      break;
    case WM_DESTROY:
      // From here on, what the waits below serve (a hand-off, a second start's message, the
      // session's end) must not show, quit or clean again on a window that is going.
      destroying_ = true;
      StopUpdateCheck();
      if (UiDispatcher* ui = UiDispatcher::Main()) ui->Close();
      taskLookup_.Join();
      job_.Join();
      ::KillTimer(hwnd_, kStatusTimerId);
      TrayIcon.reset();  // removes the icon from the notification area
      ::PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      return 0;
    default:
      if (msg == kTaskbarCreated && TrayIcon) {
        TrayIcon->OnTaskbarCreated();
        return 0;
      }
      break;
  }
  return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
}

void TFrmSweeplet::FormCreate() {
  auto step = [this](const char* name) {
    if (services_.startupStep) services_.startupStep(name);
  };
  dpi_ = WindowDpi(hwnd_);
  separators_ = ReadUserNumberSeparators();
  step("window");
  CreateControls();
  step("controls");
  CreatePopupMenuAndImages();
  step("menu");
  try {
    themeHelper_ = std::make_unique<TThemeHelper>(hwnd_);
    step("theme");
  } catch (...) {
    // Without the helper the window simply has no accent line, and the controls move up.
    accentLine_ = 0;
    Layout();
  }

  TranslateComponent(hwnd_, popup_.get());
  step("translate");
  ::SetWindowTextW(EditInfo, (TranslateW(L"버전") + L": " + AppVersion3()).c_str());
  step("version");
  physFormat_ = Translate(kPhysStatusFormatKey);
  FmtPhysStatus = Widen(physFormat_);
  step("format");

  ApplyFonts();
  ::ShowWindow(Indicator, SW_HIDE);
  ShowPage(0);
  PlaceWindow();
  step("appearance");

  // The shell runs unelevated: without this its taskbar re-creation and the icon's events
  // never reach this elevated window.
  for (const UINT message : {kTaskbarCreated, kTrayCallbackMessage}) {
    if (services_.allowMessage) {
      services_.allowMessage(hwnd_, message);
    } else {
      AllowFromLowerIntegrity(hwnd_, message);
    }
  }
  TrayIcon = std::make_unique<TTrayIcon>(hwnd_, ListIcon.get(),
                                         ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP)));
  // The hint goes with the icon when it is added: one trip to the shell fewer.
  TrayIcon->SetHint(WindowCaption(hwnd_) + L" " + AppVersion3());
  TrayIcon->SetVisible(true);
  TrayIcon->Repaint(options_.firstArgument == kSwitchStart);
  TrayIcon->SetImageIndex(0);
  step("tray");

  if (options_.firstArgument == kSwitchInstall) {
    const bool protectedCopy = CopyProtected();
    const ExistingTask existing = protectedCopy ? ExistingTask::None : logonTask_.Find();
    const LogonTaskPlan plan = PlanLogonTask(LogonTaskEvent::Install, protectedCopy, existing, toldProtectedFolder_);
    ApplyTaskChange(logonTask_, plan);
    if (plan.tellUser) TellProtectedFolder(false);
    step("install");
  }
  LoadConfig();
  step("config");
  FCanClose = false;
  NextTime = Now();
  step("nexttime");
  EnablePrivilege(kIncreaseQuotaPrivilege, true, *services_.token);
  EnablePrivilege(kProfileSingleProcessPrivilege, true, *services_.token);
  step("privileges");
  TmrStatusTimer();
  step("status");
  if (options_.firstArgument == kSwitchStart) {
    HideMainWindow(hwnd_);
    step("hidden");
  }
  StartUpdateCheck();
  step("update");
  SetUpKeyboardAndAccessibility();
}

// A 500 x 450 client area, centred on the work area of the screen.
void TFrmSweeplet::PlaceWindow() {
  const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
  const SIZE outer = OuterSizeForClient(Scale(500, dpi_), Scale(450, dpi_), style, exStyle, dpi_);
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  ::SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - outer.cx) / 2,
                 work.top + (work.bottom - work.top - outer.cy) / 2, outer.cx, outer.cy, SWP_NOZORDER | SWP_NOACTIVATE);
  // The controls were created in place; a mirrored window counts their places from its right
  // edge, which has only now moved.
  if (exStyle & WS_EX_LAYOUTRTL) Layout();
}

void TFrmSweeplet::CreateControls() {
  PnlHead = CreatePanel(hwnd_, PlacedRect(PnlHead));
  BtnHead = CreatePanel(PnlHead, PlacedRect(BtnHead));
  BtnHome = CreateStyledButton(BtnHead, IdBtnHome, L"처음화면", "Header", 4, PlacedRect(BtnHome), true);
  BtnConfig = CreateStyledButton(BtnHead, IdBtnConfig, L"환경설정", "Header", 4, PlacedRect(BtnConfig), true);
  BtnDonate = CreateStyledButton(BtnHead, IdBtnDonate, L"후원하기", "Header", 4, PlacedRect(BtnDonate), true);
  PnlLogo = CreatePanel(PnlHead, PlacedRect(PnlLogo));
  SVGIconImage1 = CreateLogo(PnlLogo, IdLogo, PlacedRect(SVGIconImage1));

  PnlMain = CreatePanel(hwnd_, PlacedRect(PnlMain));
  // The page area keeps left-to-right reading order in every language.
  ::SetWindowLongPtrW(PnlMain, GWL_EXSTYLE, ::GetWindowLongPtrW(PnlMain, GWL_EXSTYLE) & ~WS_EX_LAYOUTRTL);
  Card1 = CreatePanel(PnlMain, PlacedRect(Card1));
  Card2 = CreatePanel(PnlMain, PlacedRect(Card2));

  // Home page.
  LblTitle = MakeChild(Card1, L"STATIC", L"Sweeplet", SS_CENTER | SS_NOPREFIX, IdLblTitle, PlacedRect(LblTitle));
  ProgressBar = MakeChild(Card1, PROGRESS_CLASSW, L"", PBS_SMOOTH | PBS_SMOOTHREVERSE, IdProgressBar, PlacedRect(ProgressBar));
  ::SendMessageW(ProgressBar, PBM_SETRANGE32, 0, 100);
  LblPhys = MakeChild(Card1, L"STATIC", L"실제 메모리", SS_NOPREFIX, IdLblPhys, PlacedRect(LblPhys));
  LblPhysStatus = MakeChild(Card1, L"STATIC", L"", SS_NOPREFIX, IdLblPhysStatus, PlacedRect(LblPhysStatus));
  LblVirtual = MakeChild(Card1, L"STATIC", L"가상 메모리", SS_NOPREFIX, IdLblVirtual, PlacedRect(LblVirtual));
  LblVirtualStatus = MakeChild(Card1, L"STATIC", L"", SS_NOPREFIX, IdLblVirtualStatus, PlacedRect(LblVirtualStatus));
  LblWorking = MakeChild(Card1, L"STATIC", L"워킹 셋", SS_NOPREFIX, IdLblWorking, PlacedRect(LblWorking));
  LblWorkingStatus = MakeChild(Card1, L"STATIC", L"", SS_NOPREFIX, IdLblWorkingStatus, PlacedRect(LblWorkingStatus));
  // The indicator is created before the button so that it lies above it.
  Indicator = CreateActivityIndicator(Card1, PlacedRect(Indicator));
  ::SetWindowLongPtrW(Indicator, GWLP_ID, IdIndicator);
  BtnClean = CreateStyledButton(Card1, IdBtnClean, L"정리하기", "Outline", 6, PlacedRect(BtnClean), false);
  // Where the language reads right to left, so does the caption of the physical line.
  if (ReadsRightToLeft()) {
    ::SetWindowLongPtrW(LblPhys, GWL_EXSTYLE, ::GetWindowLongPtrW(LblPhys, GWL_EXSTYLE) | WS_EX_RTLREADING);
  }

  // Config page, in keyboard tab order.
  GroupBox1 = MakeChild(Card2, L"BUTTON", L"메모리 관리", BS_GROUPBOX, IdGroupBox1, PlacedRect(GroupBox1));
  ChkUsagePhys = MakeChild(Card2, L"BUTTON", L"실제 메모리 사용률(%) 이상일 때 정리하기", BS_AUTOCHECKBOX | WS_TABSTOP, IdChkUsagePhys, PlacedRect(ChkUsagePhys));
  ChkMinute = MakeChild(Card2, L"BUTTON", L"다음 시간(분) 마다 정리하기", BS_AUTOCHECKBOX | WS_TABSTOP, IdChkMinute, PlacedRect(ChkMinute));
  EditUsagePhys = MakeChild(Card2, WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, IdEditUsagePhys, PlacedRect(EditUsagePhys));
  EditMinute = MakeChild(Card2, WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, IdEditMinute, PlacedRect(EditMinute));
  ChkUsagePage = MakeChild(Card2, L"BUTTON", L"가상 메모리 사용률(%) 이상일 때 정리하기", BS_AUTOCHECKBOX | WS_TABSTOP, IdChkUsagePage, PlacedRect(ChkUsagePage));
  EditUsagePage = MakeChild(Card2, WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, IdEditUsagePage, PlacedRect(EditUsagePage));
  ChkUsageWork = MakeChild(Card2, L"BUTTON", L"워킹셋 사용률(%) 이상일 때 정리하기", BS_AUTOCHECKBOX | WS_TABSTOP, IdChkUsageWork, PlacedRect(ChkUsageWork));
  EditUsageWork = MakeChild(Card2, WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, IdEditUsageWork, PlacedRect(EditUsageWork));
  GroupBox3 = MakeChild(Card2, L"BUTTON", L"기본 설정", BS_GROUPBOX, IdGroupBox3, PlacedRect(GroupBox3));
  ChkAutoStart = MakeChild(Card2, L"BUTTON", L"부팅시 실행하기", BS_AUTOCHECKBOX | WS_TABSTOP, IdChkAutoStart, PlacedRect(ChkAutoStart));
  ChkCleanOnTray = MakeChild(Card2, L"BUTTON", L"트레이 아이콘 클릭시 정리하기", BS_AUTOCHECKBOX | WS_TABSTOP, IdChkCleanOnTray, PlacedRect(ChkCleanOnTray));
  EditInfo = MakeChild(Card2, L"EDIT", L"", ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, IdEditInfo, PlacedRect(EditInfo));
  for (const AutoSetting& setting : kAutoSettings) {
    HWND list = ConfigControl(setting.list);
    for (const wchar_t* item : setting.items) ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    ::EnableWindow(list, FALSE);
  }

  // The version line: a click takes the focus away, so no caret or selection stays in it.
  ::SetWindowSubclass(
      EditInfo,
      [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR owner) -> LRESULT {
        if (msg == WM_GETDLGCODE) return ::DefSubclassProc(hwnd, msg, wParam, lParam) & ~DLGC_HASSETSEL;
        if (msg == WM_LBUTTONUP) {
          const LRESULT r = ::DefSubclassProc(hwnd, msg, wParam, lParam);
          reinterpret_cast<TFrmSweeplet*>(owner)->EditInfoClick();
          return r;
        }
        return ::DefSubclassProc(hwnd, msg, wParam, lParam);
      },
      1, reinterpret_cast<DWORD_PTR>(this));
}

void TFrmSweeplet::CreatePopupMenuAndImages() {
  popup_.reset(::CreatePopupMenu());
  ::AppendMenuW(popup_.get(), MF_STRING, IdBtnOpen, L"Sweeplet");
  ::AppendMenuW(popup_.get(), MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(popup_.get(), MF_STRING, IdBtnCopyright, L"만든이 Dovrin");
  ::AppendMenuW(popup_.get(), MF_STRING, IdBtnClose, L"종료");

  const int size = ::GetSystemMetrics(SM_CXSMICON);
  ListIcon.reset(ImageList_Create(size, size, ILC_COLOR32, 2, 0));
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  for (int id : {IDI_TRAY_IDLE, IDI_TRAY_BUSY}) {
    UniqueIcon icon(static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0)));
    ImageList_AddIcon(ListIcon.get(), icon.get());
  }
}

void TFrmSweeplet::ApplyFonts() {
  LOGFONTW lf = DesktopFont(dpi_);
  font_.reset(::CreateFontIndirectW(&lf));
  LOGFONTW title{};
  title.lfHeight = -Scale(59, dpi_);
  title.lfWeight = FW_NORMAL;
  title.lfCharSet = DEFAULT_CHARSET;
  title.lfQuality = ANTIALIASED_QUALITY;
  wcscpy_s(title.lfFaceName, L"Tahoma");
  titleFont_.reset(::CreateFontIndirectW(&title));
  // Before the window first shows there is nothing to redraw.
  const BOOL redraw = ::IsWindowVisible(hwnd_);
  struct FontChange {
    HFONT font;
    BOOL redraw;
  } change{font_.get(), redraw};
  ::EnumChildWindows(
      hwnd_,
      [](HWND child, LPARAM param) -> BOOL {
        const auto* c = reinterpret_cast<const FontChange*>(param);
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(c->font), c->redraw);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&change));
  ::SendMessageW(LblTitle, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_.get()), redraw);
}

// The accent line, when the theme draws one, sits above the header and takes its height from the
// page area.
std::vector<TFrmSweeplet::Placement> TFrmSweeplet::Placements() {
  const int line = accentLine_;
  return {
      {&PnlHead, 0, line, 500, 50},
      {&BtnHead, 10, 10, 360, 30},
      {&BtnHome, 0, 0, 70, 30},
      {&BtnConfig, 70, 0, 70, 30},
      {&BtnDonate, 140, 0, 70, 30},
      {&PnlLogo, 380, 0, 120, 50},
      {&SVGIconImage1, 0, 0, 112, 50},
      {&PnlMain, 0, 50 + line, 500, 400 - line},
      {&Card1, 0, 0, 500, 400 - line},
      {&Card2, 0, 0, 500, 400 - line},
      {&LblTitle, 8, 40, 484, 81},
      {&ProgressBar, 56, 192, 393, 25},
      {&LblPhys, 56, 223, 70, 13},
      {&LblPhysStatus, 132, 223, 317, 13},
      {&LblVirtual, 56, 242, 70, 13},
      {&LblVirtualStatus, 134, 242, 120, 13},
      {&LblWorking, 263, 242, 70, 13},
      {&LblWorkingStatus, 341, 242, 108, 13},
      {&BtnClean, 168, 298, 164, 68},
      {&Indicator, 233, 316, 32, 32},
      {&GroupBox1, 15, 14, 474, 155},
      // Inside the first group box (at 15, 14).
      {&ChkUsagePhys, 15 + 17, 14 + 32, 328, 17},
      {&ChkMinute, 15 + 17, 14 + 122, 328, 17},
      {&EditUsagePhys, 15 + 372, 14 + 31, 81, 21, true},
      {&EditMinute, 15 + 372, 14 + 116, 81, 21, true},
      {&ChkUsagePage, 15 + 17, 14 + 62, 328, 17},
      {&EditUsagePage, 15 + 372, 14 + 62, 81, 21, true},
      {&ChkUsageWork, 15 + 17, 14 + 92, 328, 17},
      {&EditUsageWork, 15 + 372, 14 + 89, 81, 21, true},
      {&GroupBox3, 15, 192, 474, 73},
      // Inside the second group box (at 15, 192).
      {&ChkAutoStart, 15 + 17, 192 + 32, 208, 17},
      {&ChkCleanOnTray, 15 + 245, 192 + 32, 208, 17},
      {&EditInfo, 15, 368, 170, 21},
  };
}

RECT TFrmSweeplet::PlacedRect(const Placement& p) const {
  // A drop-down list's window height includes its list; the field keeps the font's height.
  const int h = p.dropDown ? p.h + 160 : p.h;
  const int x = Scale(p.x, dpi_), y = Scale(p.y, dpi_);
  return RECT{x, y, x + Scale(p.w, dpi_), y + Scale(h, dpi_)};
}

// Controls are created where they belong: moving each one afterwards is a trip to the window
// system per control.
RECT TFrmSweeplet::PlacedRect(HWND& control) {
  for (const Placement& p : Placements()) {
    if (p.control == &control) return PlacedRect(p);
  }
  return RECT{};
}

void TFrmSweeplet::Layout() {
  for (const Placement& p : Placements()) {
    const RECT r = PlacedRect(p);
    ::SetWindowPos(*p.control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TFrmSweeplet::ShowPage(int index) {
  const HWND focusBefore = ::GetFocus();
  shownPage_ = index;
  ::ShowWindow(Card1, index == 0 ? SW_SHOW : SW_HIDE);
  ::ShowWindow(Card2, index == 1 ? SW_SHOW : SW_HIDE);
  // The page buttons form one group: exactly one of Home and Config is down.
  SetStyledButtonDown(BtnHome, index == 0);
  SetStyledButtonDown(BtnConfig, index == 1);
  FollowPageWithFocus(focusBefore);
}

void TFrmSweeplet::BtnHomeClick(HWND sender) {
  if (sender == BtnHome) {
    ShowPage(0);
  } else if (sender == BtnConfig) {
    ShowPage(1);
  } else if (sender == BtnDonate) {
    services_.links->Open(LinkUrl("https", "/donate?sweeplet"));
  }
}

void TFrmSweeplet::SVGIconImage1Click() { services_.links->Open(LinkUrl("http", "/sweeplet")); }

void TFrmSweeplet::EditInfoClick() { ::SetFocus(hwnd_); }

void TFrmSweeplet::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case IdBtnHome:
    case IdBtnConfig:
    case IdBtnDonate:
      if (code == BN_CLICKED) BtnHomeClick(control);
      return;
    case IdLogo:
      if (code == BN_CLICKED || code == STN_CLICKED) SVGIconImage1Click();
      return;
    case IdBtnClean:
      if (code == BN_CLICKED) BtnCleanClick(false);
      return;
    case IdChkUsagePhys:
    case IdChkUsagePage:
    case IdChkUsageWork:
    case IdChkMinute:
    case IdChkCleanOnTray:
    case IdChkAutoStart:
      if (code == BN_CLICKED) OnCheckBoxClick(id);
      return;
    case IdEditUsagePhys:
    case IdEditUsagePage:
    case IdEditUsageWork:
    case IdEditMinute:
      if (code == CBN_SELCHANGE) OnListChange(id);  // sent for user selections only
      return;
    case IdBtnOpen:
      BtnOpenClick();
      return;
    case IdBtnCopyright:
      BtnCopyrightClick();
      return;
    case IdBtnClose:
      BtnCloseClick();
      return;
    case IDOK:  // Enter that no control took for itself
      PressFocusedCheckBox();
      return;
    default:
      break;
  }
}

LRESULT TFrmSweeplet::OnCtlColor(HDC dc, HWND control) {
  const bool grey = control == LblVirtual || control == LblVirtualStatus || control == LblWorking ||
                    control == LblWorkingStatus;
  // White with the window text and grey, or the scheme's own colours under high contrast.
  const PageColors colors = CurrentPageColors();
  ::SetTextColor(dc, theme_detail::ToColorRef(grey ? colors.secondaryText : colors.text));
  ::SetBkColor(dc, theme_detail::ToColorRef(colors.background));
  return reinterpret_cast<LRESULT>(PageBrush());
}

// The quit question while it is open: a message box of this thread with the window's caption.
HWND TFrmSweeplet::OpenQuestion() const {
  struct Search {
    std::wstring title;
    HWND found;
  } search{WindowCaption(hwnd_), nullptr};
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND candidate, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        wchar_t cls[16] = {};
        ::GetClassNameW(candidate, cls, 16);
        if (wcscmp(cls, kDialogClass) != 0 || WindowCaption(candidate) != s->title) return TRUE;
        s->found = candidate;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool TFrmSweeplet::FormCloseQuery() {
  const bool canClose = FCanClose || DebugBuild;
  if (!canClose) HideMainWindow(hwnd_);
  return canClose;
}

void TFrmSweeplet::CloseForGood() {
  if (destroying_ || !hwnd_) return;
  FCanClose = true;
  ::SendMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void TFrmSweeplet::OnHandOff(WPARAM command) {
  if (!TrayIcon || destroying_) return;  // not fully created yet, or already going
  // Compared whole: a wide value is no command, however its low bits read.
  if (command == static_cast<WPARAM>(HandOff::ShowWindow)) {
    ShowMainWindow(hwnd_);
  } else if (command == static_cast<WPARAM>(HandOff::UninstallAndQuit)) {
    taskLookup_.Join();  // a registration at start must not come after the removal
    logonTask_.Set(false, 0);
    CloseForGood();  // ends the program even when the task could not be removed
  }
}

void TFrmSweeplet::TrayIconClick() {
  if (destroying_) return;
  if (::SendMessageW(ChkCleanOnTray, BM_GETCHECK, 0, 0) == BST_CHECKED) {
    BtnCleanClick(true);
  } else {
    ShowMainWindow(hwnd_);
  }
}

void TFrmSweeplet::BtnOpenClick() {
  if (!destroying_) ShowMainWindow(hwnd_);
}

void TFrmSweeplet::BtnCopyrightClick() { services_.links->Open(LinkUrl("https", "/sweeplet?v=") + AppVersion3()); }

void TFrmSweeplet::BtnCloseClick() {
  if (destroying_) return;
  if (questionOpen_) {
    // Asked once at a time: a second Quit brings the open question to the front. When this
    // thread already has the foreground (the tray menu puts the window there) it may simply take
    // it; there is no other thread's input to attach to.
    if (HWND question = OpenQuestion()) {
      if (::GetWindowThreadProcessId(::GetForegroundWindow(), nullptr) == ::GetCurrentThreadId()) {
        ::BringWindowToTop(question);
        ::SetForegroundWindow(question);
      } else {
        ForceForegroundWindow(question);
      }
    }
    return;
  }
  const std::wstring title = WindowCaption(hwnd_);
  questionOpen_ = true;
  // Owned by no visible window, so the question shows even while the main window is hidden.
  const int answer = ::MessageBoxW(nullptr, TranslateW(L"정말 종료하시겠습니까?").c_str(), title.c_str(),
                                   MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_SETFOREGROUND | MB_TOPMOST);
  questionOpen_ = false;
  if (answer == IDYES) CloseForGood();
}

void TFrmSweeplet::AProc(bool opened) {
  if (opened) CloseForGood();
}

void TFrmSweeplet::BtnCleanClick(bool fromTrayIcon) {
  if (IsRunning() || destroying_) return;
  Clean(fromTrayIcon);
}

void TFrmSweeplet::Clean(bool alarm) {
  if (IsRunning() || destroying_) return;  // dropped, not queued; no job starts on a window that is going
  activeAtJobStart_ = ::GetActiveWindow() == hwnd_ && ::IsWindowVisible(hwnd_);
  SetIsRunning(true);
  IMemoryApi* memory = services_.memory;
  const bool started = job_.Start([this, memory, alarm] {
    PurgeMemory(*memory);
    // The job's end runs on the user-interface thread; once the program is ending it is dropped.
    if (UiDispatcher* ui = UiDispatcher::Main()) ui->Run([this, alarm] { JobEnd(alarm); });
  });
  if (!started) JobEnd(false);
}

void TFrmSweeplet::JobEnd(bool alarm) {
  NextTime = Now();
  SetIsRunning(false);
  if (alarm) ShowNotification(TranslateW(L"메모리를 정리하였습니다."));
}

void TFrmSweeplet::ShowNotification(const std::wstring& text) {
  try {
    const std::wstring title = WindowCaption(hwnd_);
    if (services_.notifier) {
      services_.notifier->Show(title, text);
    } else if (TrayIcon) {
      TrayIcon->ShowNotification(title, text);
    }
  } catch (...) {
    // A notification that cannot be shown is dropped.
  }
}

void TFrmSweeplet::SetIsRunning(bool value) {
  if (value == FIsRunning) return;
  FIsRunning = value;
  ::SetWindowTextW(BtnClean, value ? L"" : TranslateW(L"정리하기").c_str());
  ::EnableWindow(BtnClean, !value);
  if (value && activeAtJobStart_) {
    ::ShowWindow(Indicator, SW_SHOW);
    StartIndicator(Indicator);
  } else {
    StopIndicator(Indicator);
    ::ShowWindow(Indicator, SW_HIDE);
  }
  if (TrayIcon) TrayIcon->SetImageIndex(value ? 1 : 0);
}

void TFrmSweeplet::TmrStatusTimer() {
  // The timer is off while a tick runs: a tick that comes while one runs (inside a dialog of it)
  // is dropped.
  if (ticking_) return;
  ticking_ = true;
  // However the tick ends (an out-of-memory throw included), the next one comes: otherwise the
  // figures and the automatic cleaning would stop for good.
  struct TickEnd {
    TFrmSweeplet& window;
    ULONGLONG began = ::GetTickCount64();
    ~TickEnd() { window.EndTick(began); }
  } tickEnd{*this};
  MemoryStatus status{};  // a failed file-cache query leaves its fields at zero
  QueryMemoryStatus(status, *services_.memory);
  // The lines and the wide text are kept between ticks, so that a tick allocates nothing; a
  // label is only written when its text changed (each write is a trip to the window system).
  StatusLines& lines = statusLines_;
  ComputeStatusLines(status, physFormat_, separators_, lines);
  auto show = [this](HWND label, const std::string& line, std::string& shown) {
    if (line == shown && ::GetWindowTextLengthW(label) > 0) return;
    WidenInto(line, statusText_);
    ::SetWindowTextW(label, statusText_.c_str());
    shown = line;
  };
  show(LblPhysStatus, lines.phys, shownLines_.phys);
  if (HasVisibleStyle(LblVirtual)) show(LblVirtualStatus, lines.page, shownLines_.page);
  if (HasVisibleStyle(LblWorking)) show(LblWorkingStatus, lines.work, shownLines_.work);
  ::SendMessageW(ProgressBar, PBM_SETPOS, static_cast<WPARAM>(lines.progress), 0);

  if (!IsRunning()) {
    AutoCleanSettings settings;
    for (const AutoSetting& setting : kAutoSettings) {
      settings.*setting.on = IsChecked(ConfigControl(setting.box));
      if (settings.*setting.on) settings.*setting.text = Narrow(ListText(ConfigControl(setting.list)));
    }
    const bool trigger = ShouldCleanAutomatically(settings, status.UsagePhys, status.UsagePage, status.UsageWork,
                                                  NextTime, [this] { return Now(); });
    if (trigger && !IsRunning()) Clean(false);
  }
}

// The next tick comes one interval after this one ends. The timer repeats on its own, so after a
// tick shorter than the system timer's resolution it is left running; setting it again, a trip to
// the window system, restarts the interval: the first time, and after a tick that ran long.
void TFrmSweeplet::EndTick(ULONGLONG began) noexcept {
  ticking_ = false;
  if (destroying_) return;  // the timer has been stopped for good
  if (!timerSet_ || ::GetTickCount64() - began > kTimerResolutionMs) {
    ::SetTimer(hwnd_, kStatusTimerId, kStatusInterval, nullptr);
    timerSet_ = true;
  }
}

void TFrmSweeplet::StartUpdateCheck() {
  if (services_.updateServiceUrl.empty()) return;
  UpdateWindowContext context;
  context.mainWindow = hwnd_;
  context.language = CurrentLanguage();
  context.title = WindowCaption(hwnd_);
  context.mainWindowShown = [] { return ShowMainFormFlag(); };
  context.links = services_.links;
  CheckUpdate(services_.updateServiceUrl, [this](bool opened, const std::wstring&) { AProc(opened); }, 10,
              std::move(context));
}

// From the window's own fields: GetDlgItem asks the window system for the page's children each
// time, and the status tick reads these controls every second.
HWND TFrmSweeplet::ConfigControl(int id) const {
  switch (id) {
    case IdChkUsagePhys: return ChkUsagePhys;
    case IdEditUsagePhys: return EditUsagePhys;
    case IdChkUsagePage: return ChkUsagePage;
    case IdEditUsagePage: return EditUsagePage;
    case IdChkUsageWork: return ChkUsageWork;
    case IdEditUsageWork: return EditUsageWork;
    case IdChkMinute: return ChkMinute;
    case IdEditMinute: return EditMinute;
    default: return ::GetDlgItem(Card2, id);
  }
}

std::wstring TFrmSweeplet::ListText(HWND list) const {
  const LRESULT index = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return L"";
  wchar_t text[32] = {};
  if (::SendMessageW(list, CB_GETLBTEXTLEN, index, 0) >= 32) return L"";
  ::SendMessageW(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
  return text;
}

int TFrmSweeplet::ReadListPosition(HWND list) const {
  return static_cast<int>(::SendMessageW(list, CB_GETCURSEL, 0, 0));
}

TConfig TFrmSweeplet::OpenSettings() const { return TConfig(services_.settings.path, services_.settings.root); }

// Each change is stored at once, through a store of its own: a switch as a Boolean, a position as an integer.
void TFrmSweeplet::SaveConfig(const wchar_t* name, std::variant<bool, int> value) {
  TConfig config = OpenSettings();
  if (const bool* on = std::get_if<bool>(&value)) {
    config.WriteBoolean(name, *on);
  } else {
    config.WriteInteger(name, std::get<int>(value));
  }
}

void TFrmSweeplet::LoadConfig() {
  const TConfig config = OpenSettings();
  for (const AutoSetting& setting : kAutoSettings) {
    HWND list = ConfigControl(setting.list);
    ::EnableWindow(list, config.ReadBoolean(setting.enabledName, false));
    // A position outside the list selects nothing (CB_SETCURSEL with -1 clears it); selecting
    // here is not a user selection, so no change handler runs.
    const int position = config.ReadInteger(setting.limitName, setting.defaultPosition);
    const bool inList = position >= 0 && static_cast<size_t>(position) < setting.items.size();
    ::SendMessageW(list, CB_SETCURSEL, inList ? position : -1, 0);
  }
  SetCheckedByLoad(ChkCleanOnTray, config.ReadBoolean(kCleanOnTrayName, false));
  for (const AutoSetting& setting : kAutoSettings) {
    SetCheckedByLoad(ConfigControl(setting.box), ::IsWindowEnabled(ConfigControl(setting.list)) != FALSE);
  }
  StartLogonTaskLookup();
}

// The Task Scheduler can take a second or more to answer the first call of a session, so the
// task is looked up (and registered again, as every start does) on a worker in its own COM
// apartment; the auto-start box shows the answer when it arrives.
void TFrmSweeplet::StartLogonTaskLookup() {
  const LogonTaskSwitch* task = &logonTask_;
  std::function<bool()> copyProtected = services_.copyProtected;
  taskLookupPending_ = taskLookup_.Start([this, task, copyProtected] {
    LogonTaskPlan plan;
    {
      const ComInit com;  // keeps one apartment across the calls below
      if (!com.Succeeded()) return;  // the task counts as absent; the box stays unchecked
      const bool protectedCopy = copyProtected && copyProtected();
      plan = PlanLogonTask(LogonTaskEvent::Load, protectedCopy, task->Find(), false);
      ApplyTaskChange(*task, plan);
    }
    // Once the window is going the answer is dropped.
    if (UiDispatcher* ui = UiDispatcher::Main()) ui->Run([this, plan] { OnLogonTaskLoaded(plan); });
  });
}

void TFrmSweeplet::OnLogonTaskLoaded(const LogonTaskPlan& plan) {
  taskLookupPending_ = false;
  // The registration it stands for is done already: set quietly, without the click handler.
  ::SendMessageW(ChkAutoStart, BM_SETCHECK, plan.boxChecked ? BST_CHECKED : BST_UNCHECKED, 0);
  if (plan.tellUser) TellProtectedFolder(false);
}

bool TFrmSweeplet::CopyProtected() const { return services_.copyProtected && services_.copyProtected(); }

// Once per run. After a click the user is looking at the box: a message box. At start the
// window may be hidden ("/start"): a notification from the tray icon.
void TFrmSweeplet::TellProtectedFolder(bool answersClick) {
  if (toldProtectedFolder_) return;
  toldProtectedFolder_ = true;
  const std::wstring text = TranslateW(Widen(kProtectedFolderNotice));
  if (!answersClick) {
    ShowNotification(text);
  } else if (services_.messageBox) {
    services_.messageBox(hwnd_, text);
  } else {
    ::MessageBoxW(hwnd_, text.c_str(), WindowCaption(hwnd_).c_str(), MB_OK | MB_ICONINFORMATION);
  }
}

// Setting a box counts as a change of it: its click handler runs, exactly as for a user click.
void TFrmSweeplet::SetCheckedByLoad(HWND box, bool checked) {
  if (IsChecked(box) == checked) return;
  ::SendMessageW(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  OnCheckBoxClick(::GetDlgCtrlID(box));
}

void TFrmSweeplet::OnCheckBoxClick(int id) {
  if (const AutoSetting* setting = FindAutoSetting(id); setting && setting->box == id) {
    HWND list = ConfigControl(setting->list);
    ::EnableWindow(list, IsChecked(ConfigControl(id)));
    NextTime = Now();
    SaveConfig(setting->enabledName, ::IsWindowEnabled(list) != FALSE);
  } else if (id == IdChkCleanOnTray) {
    SaveConfig(kCleanOnTrayName, IsChecked(ChkCleanOnTray));
  } else if (id == IdChkAutoStart) {
    ChkAutoStartClick();
  }
}

void TFrmSweeplet::ChkAutoStartClick() {
  if (destroying_) return;
  const bool wanted = IsChecked(ChkAutoStart);
  if (taskLookupPending_) {
    // The start's lookup finishes first (its answer is served while waiting); the click wins.
    taskLookup_.Join();
    taskLookupPending_ = false;
    // What was served meanwhile may have been the uninstaller's hand-off: its removal stands.
    if (destroying_) return;
    ::SendMessageW(ChkAutoStart, BM_SETCHECK, wanted ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  const bool protectedCopy = CopyProtected();
  const ExistingTask existing = protectedCopy ? ExistingTask::None : logonTask_.Find();
  const LogonTaskPlan plan = PlanLogonTask(wanted ? LogonTaskEvent::Check : LogonTaskEvent::Uncheck, protectedCopy,
                                           existing, toldProtectedFolder_);
  ApplyTaskChange(logonTask_, plan);
  if (plan.boxChecked != wanted) {
    ::SendMessageW(ChkAutoStart, BM_SETCHECK, plan.boxChecked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  if (plan.tellUser) TellProtectedFolder(true);
}

void TFrmSweeplet::OnListChange(int id) {
  const AutoSetting* setting = FindAutoSetting(id);
  if (!setting || setting->list != id) return;
  NextTime = Now();
  SaveConfig(setting->limitName, ReadListPosition(ConfigControl(id)));
}

// Keyboard use. The message loop's IsDialogMessage moves the focus for Tab between controls, or
// sends WM_NEXTDLGCTL for that (as it does for dialogs, and for the arrow keys), which only a
// dialog's own procedure acts on: this window does it here, and it takes Tab itself while the
// focus is on the window, where the dialog manager cannot go backwards. The tab order is the
// creation order: the header's page buttons, then the shown page's controls, then the notice bar
// when there is one; hidden and disabled ones are passed over. The Home page has no tab stop of
// its own (the clean button takes no focus), so there the focus rests on the window itself, and
// Enter presses the clean button.

namespace {

long CheckBoxState(HWND box, long standard) {
  return ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? standard | STATE_SYSTEM_CHECKED
                                                               : standard & ~STATE_SYSTEM_CHECKED;
}

}  // namespace

void TFrmSweeplet::SetUpKeyboardAndAccessibility() {
  // The focus mark waits until the keyboard is used, unless the user asked to see it always.
  BOOL alwaysCues = FALSE;
  ::SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &alwaysCues, 0);
  if (!alwaysCues) {
    ::SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
  }

  // Roles the standard objects do not give everywhere: the status lines are text, the boxes are
  // check boxes, and each list is named after the box that switches it.
  for (HWND label : {LblTitle, LblPhys, LblPhysStatus, LblVirtual, LblVirtualStatus, LblWorking, LblWorkingStatus}) {
    SetAccessibleTraits(label, {.role = ROLE_SYSTEM_STATICTEXT});
  }
  for (HWND box : {ChkUsagePhys, ChkMinute, ChkUsagePage, ChkUsageWork, ChkAutoStart, ChkCleanOnTray}) {
    SetAccessibleTraits(box, {.role = ROLE_SYSTEM_CHECKBUTTON, .state = CheckBoxState});
  }
  const std::array<std::pair<HWND, HWND>, 4> lists = {{{EditUsagePhys, ChkUsagePhys},
                                                       {EditMinute, ChkMinute},
                                                       {EditUsagePage, ChkUsagePage},
                                                       {EditUsageWork, ChkUsageWork}}};
  for (const auto& [list, box] : lists) SetAccessibleTraits(list, {.role = ROLE_SYSTEM_COMBOBOX, .labelledBy = box});
  FollowHighContrast();
}

// A themed group box draws its caption in the theme's colour, not in the one this window gives:
// under high contrast that can be the background's. Drawn plainly, it takes the page's colours.
void TFrmSweeplet::FollowHighContrast() {
  const bool plain = HighContrastOn();
  // uxtheme is not a known DLL: it is taken from the system folder only, and kept for the process.
  using SetWindowThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
  static const UniqueModule uxtheme = SystemModule(L"uxtheme.dll");
  const auto setWindowTheme = SystemProc<SetWindowThemeFn>(uxtheme.get(), "SetWindowTheme");
  if (!setWindowTheme) return;
  // A blank name (not an empty one, which Wine takes as the default) turns the visual style off.
  for (HWND group : {GroupBox1, GroupBox3}) setWindowTheme(group, plain ? L" " : nullptr, plain ? L" " : nullptr);
}

void TFrmSweeplet::RememberFocus() {
  const HWND focus = ::GetFocus();
  lastFocus_ = focus != nullptr && ::IsChild(hwnd_, focus) ? focus : nullptr;
}

// On activation: the control that had the focus, or else the first tab stop of the shown page.
void TFrmSweeplet::RestoreFocus() {
  HWND target = CanTakeFocus(lastFocus_) ? lastFocus_ : FirstTabStopOfPage();
  ::SetFocus(target != nullptr ? target : hwnd_);
}

void TFrmSweeplet::OnNextDlgCtl(WPARAM wParam, bool isHandle) {
  HWND target = nullptr;
  if (isHandle) {
    target = reinterpret_cast<HWND>(wParam);  // checked below: only a tab stop of this window
  } else {
    const BOOL previous = wParam != 0 ? TRUE : FALSE;
    HWND from = ::GetFocus();
    if (from == hwnd_ || !::IsChild(hwnd_, from)) from = nullptr;
    if (from != nullptr) {
      target = ::GetNextDlgTabItem(hwnd_, from, previous);
    } else {
      // From the window itself: Tab starts at the first tab stop, Shift+Tab at the last (found
      // by going round once, as the dialog manager gives nothing backwards from nothing).
      HWND first = ::GetNextDlgTabItem(hwnd_, nullptr, FALSE);
      target = first;
      for (int stops = 0; previous && first != nullptr && stops < 256; ++stops) {
        HWND after = ::GetNextDlgTabItem(hwnd_, target, FALSE);
        if (after == nullptr || after == first || after == target) break;
        target = after;
      }
    }
  }
  if (!CanTakeFocus(target)) return;
  ShowKeyboardCues();
  ::SetFocus(target);
}

// A page switched by the keyboard takes the focus along to its first tab stop; so does a switch
// that hid the control with the focus.
void TFrmSweeplet::FollowPageWithFocus(HWND focusBefore) {
  const bool byKeyboard = StyledButtonClickFromKeyboard(shownPage_ == 0 ? BtnHome : BtnConfig);
  const bool focusHidden = focusBefore != nullptr && ::IsChild(hwnd_, focusBefore) && !::IsWindowVisible(focusBefore);
  if (byKeyboard) ShowKeyboardCues();
  if (byKeyboard || focusHidden) {
    HWND first = FirstTabStopOfPage();
    ::SetFocus(first != nullptr ? first : hwnd_);
  }
  MarkCleanAsDefault(::GetFocus() == hwnd_);
}

HWND TFrmSweeplet::FirstTabStopOfPage() const {
  HWND page = shownPage_ == 0 ? Card1 : Card2;
  for (HWND c = ::GetWindow(page, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
    if (CanTakeFocus(c)) return c;
  }
  return nullptr;
}

bool TFrmSweeplet::CanTakeFocus(HWND control) const {
  return control != nullptr && ::IsWindow(control) && ::IsChild(hwnd_, control) && ::IsWindowVisible(control) &&
         ::IsWindowEnabled(control) && (::GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP) != 0;
}

void TFrmSweeplet::ShowKeyboardCues() {
  ::SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

// While Enter would press the clean button, it shows the focus mark.
void TFrmSweeplet::MarkCleanAsDefault(bool windowHasFocus) {
  SetStyledButtonDefault(BtnClean, windowHasFocus && shownPage_ == 0);
}

// Enter with the focus on no control of the Home page presses the clean button.
LRESULT TFrmSweeplet::DefaultButton() const {
  if (shownPage_ != 0 || ::GetFocus() != hwnd_) return 0;
  return MAKELRESULT(IdBtnClean, DC_HASDEFID);
}

// Enter presses the focused check box, as Space does.
void TFrmSweeplet::PressFocusedCheckBox() {
  const HWND focus = ::GetFocus();
  for (HWND box : {ChkUsagePhys, ChkMinute, ChkUsagePage, ChkUsageWork, ChkAutoStart, ChkCleanOnTray}) {
    if (focus == box && ::IsWindowEnabled(box)) {
      ::SendMessageW(box, BM_CLICK, 0, 0);
      return;
    }
  }
}

// The system colours or high contrast changed: the controls pick their colours when painting.
void TFrmSweeplet::RepaintForColours() {
  FollowHighContrast();
  ::EnumChildWindows(
      hwnd_,
      [](HWND child, LPARAM) -> BOOL {
        ::SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);  // the common controls rebuild their brushes
        return TRUE;
      },
      0);
  ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

}  // namespace sweeplet
