#include "app/MainWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "app/Entry.h"
#include "app/Panel.h"
#include "app/Switches.h"
#include "app/TrayIcon.h"
#include "app/logic/UserLocale.h"
#include "common/AppGlobals.h"
#include "common/Dpi.h"
#include "common/MessageFilter.h"
#include "common/ShellOpen.h"
#include "common/UiDispatcher.h"
#include "common/Utf.h"
#include "i18n/TranslateWin.h"
#include "i18n/TranslationTable.h"
#include "memory/MemoryPurge.h"
#include "memory/MemoryStatus.h"
#include "memory/Privilege.h"
#include "resources/resource.h"
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
// The cleaning hotkey's id among this window's hotkeys.
constexpr int kCleanHotkeyId = 1;
// While a program that pauses automatic cleaning runs, the process list is looked at again no
// sooner than this: the rule asks every second once it has decided to clean.
constexpr double kPauseLookDays = 10.0 / 86400.0;
// The client area, in 96-DPI pixels.
constexpr int kClientWidth = 500;
constexpr int kClientHeight = 450;
const UINT kTaskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
// Posted by the window's creation to itself: the start-up steps that the user cannot see yet run
// once the window has shown (its first paint comes first) or, hidden, at the loop's first turn.
constexpr UINT kAfterFirstPaint = WM_APP + 11;

std::wstring LinkUrl(const char* scheme, const char* pathAndQuery) {
  return Widen(std::string(scheme) + "://" + kLinkHost + pathAndQuery);
}

std::wstring AppVersion3() { return GetAppVersion(L"%d.%d.%d"); }

std::wstring WindowCaption(HWND hwnd) {
  wchar_t caption[256] = {};
  ::GetWindowTextW(hwnd, caption, 256);
  return caption;
}

}  // namespace

TFrmSweeplet::TFrmSweeplet(const StartOptions& options, const Services& services)
    : options_(options),
      services_(services),
      settings_(services.settings),
      runAtLogon_(services, *this),
      home_(*this),
      config_(*this, settings_),
      cleaning_(*this, *this, settings_),
      tray_(*this, services.notifier, services.notifyIcon) {}

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
    ScaleNonClientWithDpi(hwnd);
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
      // Log-off, shutdown or the installer's Restart Manager asks whether we may end: we never
      // block it, but we do not end yet. Another program may still refuse, or the user may cancel,
      // and a copy that had already gone would leave no tray icon and no automatic cleaning until
      // the next logon. The Restart Manager's guidelines say the same: answer TRUE here, close
      // only on WM_ENDSESSION.
      return TRUE;
    case WM_ENDSESSION:
      // wParam says whether the session really ends (for the Restart Manager, ENDSESSION_CLOSEAPP
      // in lParam and TRUE). FALSE: it was cancelled, and we carry on as if nothing happened.
      // TRUE: end now, without a question, the tray icon removed with the window; every setting
      // is stored when it changes, so nothing is saved here.
      if (wParam) CloseForGood();
      return 0;
    case WM_HELP:
      return 0;  // F1 does nothing
    case WM_USER:
      // WM_USER is also DM_GETDEFID, which the dialog manager sends for Enter; hand-offs carry 1 to 4.
      if (wParam == 0 && lParam == 0) return DefaultButton();
      return OnHandOff(wParam, lParam);
    case WM_HOTKEY:
      if (wParam == kCleanHotkeyId) BtnCleanClick(false);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        focus_.Remember();
      } else if (HIWORD(wParam) == 0) {  // not while minimised
        focus_.Restore(ShownCard());
        return 0;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      MarkCleanAsDefault(msg == WM_SETFOCUS);
      return 0;
    case WM_NEXTDLGCTL:
      focus_.MoveNext(wParam, LOWORD(lParam) != 0);
      return 0;
    case WM_GETDLGCODE:
      // Asked only while the window itself has the focus. The dialog manager finds nothing
      // before "nothing", so Shift+Tab would stay put: Tab comes here as a key instead.
      return DLGC_WANTTAB;
    case WM_KEYDOWN:
      if (wParam == VK_TAB) {
        focus_.MoveNext(::GetKeyState(VK_SHIFT) < 0 ? 1 : 0, false);
        return 0;
      }
      break;
    case WM_SYSCOLORCHANGE:
      RepaintForColours();
      tray_.FollowLook();
      return 0;
    case kTrayCallbackMessage:
      tray_.OnCallback(lParam);
      return 0;
    case kAfterFirstPaint:
      AfterFirstPaint();
      return 0;
    case WM_DRAWITEM:
      if (noticeBar_.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
      break;
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) noticeBar_.Layout();
      break;
    case WM_DPICHANGED: {
      // Whatever the window grew by below the pages (the notice bar) grows with the DPI too.
      RECT client{};
      ::GetClientRect(hwnd_, &client);
      const int below = std::max(0, static_cast<int>(client.bottom) - Scale(kClientHeight, dpi_));
      const UINT oldDpi = dpi_;
      dpi_ = HIWORD(wParam);
      MoveForDpiChange(hwnd_, *reinterpret_cast<const RECT*>(lParam), Scale(kClientWidth, dpi_),
                       Scale(kClientHeight, dpi_) + (oldDpi ? ::MulDiv(below, static_cast<int>(dpi_), static_cast<int>(oldDpi)) : below));
      ApplyFonts();
      Layout();
      return 0;
    }
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETICONTITLELOGFONT || wParam == SPI_SETNONCLIENTMETRICS) ApplyFonts();
      // The taskbar's light or dark mode ("ImmersiveColorSet"), high contrast or the icon metrics.
      tray_.FollowLook();
      break;
    case WM_DESTROY:
      // From here on, what the waits below serve (a hand-off, a second start's message, the
      // session's end) must not show, quit or clean again on a window that is going.
      destroying_ = true;
      StopUpdateCheck();
      if (UiDispatcher* ui = UiDispatcher::Main()) ui->Close();
      runAtLogon_.Stop();
      job_.Join();
      if (registeredHotkey_ != 0) ::UnregisterHotKey(hwnd_, kCleanHotkeyId);
      registeredHotkey_ = 0;
      ::KillTimer(hwnd_, kStatusTimerId);
      tray_.Remove();
      ::PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      return 0;
    default:
      if (msg == kTaskbarCreated && tray_.Added()) {
        tray_.OnTaskbarCreated();
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
  focus_.Attach(hwnd_);
  separators_ = ReadUserNumberSeparators();
  step("window");
  CreateControls();
  step("controls");
  step("menu");  // the tray's menu and images are made when first needed
  try {
    themeHelper_ = std::make_unique<TThemeHelper>(hwnd_);
    step("theme");
  } catch (...) {
    // Without the helper the window simply has no accent line, and the controls move up.
    accentLine_ = 0;
    Layout();
  }

  TranslateComponent(hwnd_, nullptr);
  step("translate");
  physFormat_ = Translate(kPhysStatusFormatKey);
  FmtPhysStatus = Widen(physFormat_);
  step("format");

  ApplyFonts();
  ShowPage(0);
  PlaceWindow();
  step("appearance");

  if (options_.firstArgument == kSwitchInstall) {
    runAtLogon_.Install();
    step("install");
  }
  LoadConfig();
  // Taken by another program: the Cleaning page says so when it is shown.
  ChangeHotkey(settings_.Hotkey());
  tray_.SetUseOnIcon(settings_.UseOnIcon());
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
  SetUpKeyboardAndAccessibility();
  created_ = true;
  ::PostMessageW(hwnd_, kAfterFirstPaint, 0, 0);
}

// The tray icon, the logon task's lookup and the update check: nothing of them shows in the
// window, so they wait until it has painted. The icon still comes within the same start.
void TFrmSweeplet::AfterFirstPaint() {
  auto step = [this](const char* name) {
    if (services_.startupStep) services_.startupStep(name);
  };
  if (tray_.Added() || destroying_) return;
  step("posted");
  AddTrayIcon();
  step("tray");
  if (destroying_) return;  // it ended while the shell was adding the icon
  runAtLogon_.StartLookup();
  step("lookup");
  StartUpdateCheck();
  step("update");
}

void TFrmSweeplet::AddTrayIcon() {
  // The shell runs unelevated: without this its taskbar re-creation and the icon's events
  // never reach this elevated window.
  for (const UINT message : {kTaskbarCreated, kTrayCallbackMessage}) {
    if (services_.allowMessage) {
      services_.allowMessage(hwnd_, message);
    } else {
      AllowFromLowerIntegrity(hwnd_, message);
    }
  }
  tray_.Add(WindowCaption(hwnd_) + L" " + AppVersion3(), separators_, options_.firstArgument == kSwitchStart);
  // The shell's answers are waited for serving the messages sent meanwhile, and one of them may
  // end the window (the session's end, a hand-off): then the icon goes again at once.
  if (destroying_) tray_.Remove();
}

// A 500 x 450 client area, centred on the work area of the screen.
void TFrmSweeplet::PlaceWindow() {
  const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
  const SIZE outer = OuterSizeForClient(Scale(kClientWidth, dpi_), Scale(kClientHeight, dpi_), style, exStyle, dpi_);
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  ::SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - outer.cx) / 2,
                 work.top + (work.bottom - work.top - outer.cy) / 2, outer.cx, outer.cy, SWP_NOZORDER | SWP_NOACTIVATE);
  // The controls were created in place; a mirrored window counts their places from its right
  // edge, which has only now moved.
  if (exStyle & WS_EX_LAYOUTRTL) Layout();
}

// The header and the Home page; the Config page is made when it first shows.
void TFrmSweeplet::CreateControls() {
  const std::vector<Placement> places = Placements();
  auto at = [&](HWND& control) { return PlacedRect(places, control, dpi_); };
  PnlHead = CreatePanel(hwnd_, at(PnlHead));
  BtnHead = CreatePanel(PnlHead, at(BtnHead));
  BtnHome = CreateStyledButton(BtnHead, IdBtnHome, L"처음화면", "Header", 4, at(BtnHome), true);
  BtnConfig = CreateStyledButton(BtnHead, IdBtnConfig, L"환경설정", "Header", 4, at(BtnConfig), true);
  BtnCleaning = CreateStyledButton(BtnHead, IdBtnCleaning, L"정리 옵션", "Header", 4, at(BtnCleaning), true);
  BtnDonate = CreateStyledButton(BtnHead, IdBtnDonate, L"후원하기", "Header", 4, at(BtnDonate), true);
  PnlLogo = CreatePanel(PnlHead, at(PnlLogo));
  SVGIconImage1 = CreateLogo(PnlLogo, IdLogo, at(SVGIconImage1));

  PnlMain = CreatePanel(hwnd_, at(PnlMain));
  // The page area keeps left-to-right reading order in every language.
  ::SetWindowLongPtrW(PnlMain, GWL_EXSTYLE, ::GetWindowLongPtrW(PnlMain, GWL_EXSTYLE) & ~WS_EX_LAYOUTRTL);
  home_.Create(PnlMain);
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
  ::SendMessageW(home_.Title(), WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_.get()), redraw);
}

// The accent line, when the theme draws one, sits above the header and takes its height from the
// page area.
std::vector<Placement> TFrmSweeplet::Placements() {
  const int line = accentLine_;
  return {
      {&PnlHead, 0, line, 500, 50},
      {&BtnHead, 10, 10, 360, 30},
      {&BtnHome, 0, 0, 70, 30},
      {&BtnConfig, 70, 0, 70, 30},
      {&BtnCleaning, 140, 0, 70, 30},
      {&BtnDonate, 210, 0, 70, 30},
      {&PnlLogo, 380, 0, 120, 50},
      {&SVGIconImage1, 0, 0, 112, 50},
      {&PnlMain, 0, 50 + line, 500, 400 - line},
  };
}

void TFrmSweeplet::Layout() {
  PlaceAll(Placements(), dpi_);
  home_.Layout();
  config_.Layout();
  cleaning_.Layout();
}

void TFrmSweeplet::ShowPage(int index) {
  const HWND focusBefore = ::GetFocus();
  if (index == 1 && !config_.Made()) config_.Make(PnlMain);
  if (index == 2 && !cleaning_.Made()) cleaning_.Make(PnlMain);
  shownPage_ = index;
  ::ShowWindow(home_.Card(), index == 0 ? SW_SHOW : SW_HIDE);
  if (config_.Made()) ::ShowWindow(config_.Card(), index == 1 ? SW_SHOW : SW_HIDE);
  if (cleaning_.Made()) ::ShowWindow(cleaning_.Card(), index == 2 ? SW_SHOW : SW_HIDE);
  // The page buttons form one group: exactly one of Home, Config and Cleaning is down.
  SetStyledButtonDown(BtnHome, index == 0);
  SetStyledButtonDown(BtnConfig, index == 1);
  SetStyledButtonDown(BtnCleaning, index == 2);
  const HWND pageButton = index == 0 ? BtnHome : index == 1 ? BtnConfig : BtnCleaning;
  focus_.FollowPage(ShownCard(), StyledButtonClickFromKeyboard(pageButton), focusBefore);
  MarkCleanAsDefault(::GetFocus() == hwnd_);
}

HWND TFrmSweeplet::ShownCard() const noexcept {
  return shownPage_ == 0 ? home_.Card() : shownPage_ == 1 ? config_.Card() : cleaning_.Card();
}

void TFrmSweeplet::BtnHomeClick(HWND sender) {
  if (sender == BtnHome) {
    ShowPage(0);
  } else if (sender == BtnConfig) {
    ShowPage(1);
  } else if (sender == BtnCleaning) {
    ShowPage(2);
  } else if (sender == BtnDonate) {
    services_.links->Open(LinkUrl("https", "/donate?sweeplet"));
  }
}

void TFrmSweeplet::SVGIconImage1Click() { services_.links->Open(LinkUrl("http", "/sweeplet")); }

void TFrmSweeplet::OnCommand(int id, int code, HWND control) {
  if (config_.OnCommand(id, code) || cleaning_.OnCommand(id, code)) return;
  switch (id) {
    case IdBtnHome:
    case IdBtnConfig:
    case IdBtnCleaning:
    case IdBtnDonate:
      if (code == BN_CLICKED) BtnHomeClick(control);
      return;
    case IdLogo:
      if (code == BN_CLICKED || code == STN_CLICKED) SVGIconImage1Click();
      return;
    case IdBtnClean:
      if (code == BN_CLICKED) BtnCleanClick(false);
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
      if (!config_.PressFocusedCheckBox()) cleaning_.PressFocused();
      return;
    default:
      break;
  }
}

LRESULT TFrmSweeplet::OnCtlColor(HDC dc, HWND control) {
  // White with the window text and grey, or the scheme's own colours under high contrast.
  const PageColors colors = CurrentPageColors();
  ::SetTextColor(dc, theme_detail::ToColorRef(home_.IsSecondaryText(control) ? colors.secondaryText : colors.text));
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

LRESULT TFrmSweeplet::OnHandOff(WPARAM command, LPARAM argument) {
  // Compared whole: a wide value is no command, however its low bits read.
  if (command == static_cast<WPARAM>(HandOff::CleanResult)) {
    // Only read: a result, never an action.
    const auto ticket = static_cast<intptr_t>(argument);
    if (ticket > 0 && ticket == runningTicket_) return kCleanPending;
    for (const HandedResult& handed : handedResults_) {
      if (ticket > 0 && handed.ticket == ticket) return handed.result;
    }
    return kCleanUnknownTicket;
  }
  if (!created_ || destroying_) return 0;  // not fully created yet, or already going
  if (command == static_cast<WPARAM>(HandOff::ShowWindow)) {
    ShowMainWindow(hwnd_);
  } else if (command == static_cast<WPARAM>(HandOff::UninstallAndQuit)) {
    runAtLogon_.Remove();
    CloseForGood();  // ends the program even when the task could not be removed
  } else if (command == static_cast<WPARAM>(HandOff::Clean)) {
    // As the clean button (no notification), but a cleaning already running is answered as such.
    if (IsRunning()) return kCleanBusy;
    lastTicket_ = lastTicket_ == INTPTR_MAX ? 1 : lastTicket_ + 1;
    const intptr_t ticket = lastTicket_;
    // Bits beyond the six areas are ignored; none left means the settings' choice.
    Clean(false, static_cast<uint32_t>(static_cast<uintptr_t>(argument) & kAllPurgeAreas), ticket);
    return IsRunning() ? ticket : 0;
  }
  return 0;
}

void TFrmSweeplet::TrayIconClick() {
  if (destroying_) return;
  if (settings_.CleanOnTray()) {
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

void TFrmSweeplet::Clean(bool alarm, uint32_t areas, intptr_t ticket) {
  if (IsRunning() || destroying_) return;  // dropped, not queued; no job starts on a window that is going
  if (areas == 0) areas = settings_.PurgeAreas();
  activeAtJobStart_ = ::GetActiveWindow() == hwnd_ && ::IsWindowVisible(hwnd_);
  SetIsRunning(true);
  runningTicket_ = ticket;
  IMemoryApi* memory = services_.memory;
  const bool started = job_.Start([this, memory, alarm, areas, ticket] {
    // Measured here, so that the user-interface thread takes no snapshot for it.
    const PurgeResult purged = PurgeMemoryMeasured(*memory, areas);
    // The job's end runs on the user-interface thread; once the program is ending it is dropped.
    if (UiDispatcher* ui = UiDispatcher::Main()) ui->Run([this, alarm, purged, ticket] { JobEnd(alarm, purged, ticket); });
  });
  if (!started) JobEnd(false, std::nullopt, ticket);
}

void TFrmSweeplet::JobEnd(bool alarm, std::optional<PurgeResult> purged, intptr_t ticket) {
  NextTime = Now();
  runningTicket_ = 0;
  if (ticket > 0) {
    // The oldest result makes room: a start waits for its own for seconds at most.
    std::rotate(handedResults_.rbegin(), handedResults_.rbegin() + 1, handedResults_.rend());
    handedResults_.front() = {ticket, EncodeCleanResult(purged && purged->accepted > 0, purged ? purged->freed : 0)};
  }
  SetIsRunning(false);
  if (!purged) return;
  tray_.ShowFreed(purged->freed);
  // A cleaning from the tray icon tells its result, unless the user switched that off.
  if (alarm && settings_.Notifications()) tray_.NotifyCleaned();
}

// A switch of the notification area changed on the Config page: shown at once.
void TFrmSweeplet::TraySettingChanged() { tray_.SetUseOnIcon(settings_.UseOnIcon()); }

void TFrmSweeplet::TellUser(const std::wstring& text, bool answersClick) {
  if (!answersClick) {
    tray_.Notify(text);
  } else if (services_.messageBox) {
    services_.messageBox(hwnd_, text);
  } else {
    ::MessageBoxW(hwnd_, text.c_str(), WindowCaption(hwnd_).c_str(), MB_OK | MB_ICONINFORMATION);
  }
}

void TFrmSweeplet::SetIsRunning(bool value) {
  if (value == FIsRunning) return;
  FIsRunning = value;
  home_.ShowBusy(value, activeAtJobStart_);
  tray_.SetBusy(value);
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
  // The lines are kept between ticks, so that a tick allocates nothing.
  ComputeStatusLines(status, physFormat_, separators_, statusLines_);
  home_.ShowStatus(statusLines_);
  tray_.ShowUse(status.UsagePhys, status.UsagePage);

  if (!IsRunning()) {
    settings_.FillAutoClean(autoClean_);
    const bool trigger = ShouldCleanAutomatically(autoClean_, status.UsagePhys, status.UsagePage, status.UsageWork,
                                                  NextTime, [this] { return Now(); });
    // The process list is looked at only now, once the rule has decided to clean.
    if (trigger && !IsRunning() && !PausedByPrograms()) Clean(false);
  }
}

bool TFrmSweeplet::PausedByPrograms() {
  const std::vector<std::wstring>& names = settings_.PausePrograms();
  if (names.empty()) return false;
  const double now = Now();
  if (pausedWhenLooked_ && now - pauseLookedAt_ < kPauseLookDays && now >= pauseLookedAt_) return true;
  IRunningPrograms& programs = services_.programs ? *services_.programs : SystemRunningPrograms();
  pauseLookedAt_ = now;
  pausedWhenLooked_ = programs.AnyRunning(names);
  return pausedWhenLooked_;
}

bool TFrmSweeplet::ChangeHotkey(uint16_t hotkey) {
  if (hotkey == registeredHotkey_ && hotkey != 0) return true;
  const uint16_t before = registeredHotkey_;
  auto registerKey = [this](uint16_t key) {
    // The hotkey control's modifier flags differ from RegisterHotKey's.
    const UINT flags = HIBYTE(key);
    const UINT modifiers = ((flags & HOTKEYF_ALT) ? MOD_ALT : 0) | ((flags & HOTKEYF_CONTROL) ? MOD_CONTROL : 0) |
                           ((flags & HOTKEYF_SHIFT) ? MOD_SHIFT : 0);
    return LOBYTE(key) != 0 && ::RegisterHotKey(hwnd_, kCleanHotkeyId, modifiers | MOD_NOREPEAT, LOBYTE(key)) != FALSE;
  };
  if (before != 0) ::UnregisterHotKey(hwnd_, kCleanHotkeyId);
  registeredHotkey_ = 0;
  if (hotkey == 0) return true;
  if (registerKey(hotkey)) {
    registeredHotkey_ = hotkey;
    return true;
  }
  // Taken: the one that worked before works on.
  if (before != 0 && registerKey(before)) registeredHotkey_ = before;
  return false;
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
  context.showNotice = [this](const std::wstring& link) { ShowUpdateNotice(link); };
  CheckUpdate(services_.updateServiceUrl, [this](bool opened, const std::wstring&) { AProc(opened); }, 10,
              std::move(context));
}

void TFrmSweeplet::ShowUpdateNotice(const std::wstring& link) {
  if (!destroying_) noticeBar_.Show(hwnd_, link, CurrentLanguage(), services_.links);
}

// The settings; the Config page shows them when it is made. The logon task's lookup comes after
// the first paint.
void TFrmSweeplet::LoadConfig() { settings_.Load(); }

void TFrmSweeplet::SetUpKeyboardAndAccessibility() {
  // The focus mark waits until the keyboard is used, unless the user asked to see it always.
  BOOL alwaysCues = FALSE;
  ::SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &alwaysCues, 0);
  if (!alwaysCues) {
    ::SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
  }
  home_.SetUpAccessibility();
}

// While Enter would press the clean button, it shows the focus mark.
void TFrmSweeplet::MarkCleanAsDefault(bool windowHasFocus) {
  SetStyledButtonDefault(home_.CleanButton(), windowHasFocus && shownPage_ == 0);
}

// Enter with the focus on no control of the Home page presses the clean button.
LRESULT TFrmSweeplet::DefaultButton() const {
  if (shownPage_ != 0 || ::GetFocus() != hwnd_) return 0;
  return MAKELRESULT(IdBtnClean, DC_HASDEFID);
}

// The system colours or high contrast changed: the controls pick their colours when painting.
void TFrmSweeplet::RepaintForColours() {
  config_.FollowHighContrast();
  cleaning_.FollowHighContrast();
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
