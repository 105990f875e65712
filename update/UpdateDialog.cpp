#include "update/UpdateDialog.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/Dpi.h"
#include "common/UniqueHandle.h"
#include "common/Utf.h"
#include "resources/resource.h"
#include "update/OpenLink.h"
#include "update/UpdateCheck.h"
#include "update/UpdateText.h"

namespace sweeplet {
namespace {

// Layout in 96-DPI pixels, after the platform's message box.
constexpr int kMargin = 14;
constexpr int kIconSize = 32;
constexpr int kIconGap = 12;
constexpr int kMaxTextWidth = 360;
constexpr int kTextToButtons = 20;
constexpr int kButtonWidth = 82;
constexpr int kButtonHeight = 26;
constexpr int kButtonGap = 8;
constexpr int kButtonPadding = 24;
// The notice row: the prompt's outer height grows by kNoticeGrow minus the offset, and the tops
// of the line and the row are measured up from that outer height, minus the offset too.
constexpr int kNoticeGrow = 40;
constexpr int kLineFromBottom = 76;
constexpr int kRowFromBottom = 66;
constexpr int kRowLeft = 10;
constexpr int kRowHeight = 20;
constexpr int kLineClearance = 8;  // least room between the buttons and the line

constexpr COLORREF kBackground = RGB(255, 255, 255);
constexpr COLORREF kLineColor = RGB(204, 204, 204);
constexpr COLORREF kLinkColor = RGB(0, 0, 255);

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

class Prompt {
 public:
  Prompt(const UpdateInfo& info, const PromptOptions& options, bool standsAlone)
      : info_(info), options_(options), standsAlone_(standsAlone) {}

  INT_PTR Handle(UINT msg, WPARAM wParam, LPARAM lParam);
  bool HoldTicked() const { return holdTicked_; }
  void Attach(HWND hwnd) { hwnd_ = hwnd; }

 private:
  HWND Child(int id) const { return ::GetDlgItem(hwnd_, id); }
  IFrameModeSystem& Frame() const { return options_.frame ? *options_.frame : SystemFrameMode(); }
  HWND AddChild(const wchar_t* className, const std::wstring& text, DWORD style, int id);
  void Create();
  void Layout(UINT dpi);
  void Centre();
  void Finish(int answer);

  const UpdateInfo& info_;
  const PromptOptions& options_;
  const bool standsAlone_;
  HWND hwnd_ = nullptr;
  UINT dpi_ = 96;
  UniqueFont font_;
  UniqueFont linkFont_;
  UniqueIcon icon_;
  UniqueIcon smallIcon_;
  UniqueBrush background_{::CreateSolidBrush(kBackground)};
  UniqueBrush line_{::CreateSolidBrush(kLineColor)};
  bool holdTicked_ = false;
};

HWND Prompt::AddChild(const wchar_t* className, const std::wstring& text, DWORD style, int id) {
  return ::CreateWindowExW(0, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
}

void Prompt::Create() {
  ::SetWindowTextW(hwnd_, options_.title.c_str());
  AddChild(L"STATIC", L"", SS_ICON, kPromptIconId);
  AddChild(L"STATIC", Widen(UpdateText(kUpdateQuestion, options_.language)), SS_LEFT | SS_NOPREFIX, kPromptTextId);
  AddChild(L"BUTTON", Widen(UpdateText(kUpdateYes, options_.language)), WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON,
           IDYES);
  AddChild(L"BUTTON", Widen(UpdateText(kUpdateNo, options_.language)), WS_TABSTOP | BS_PUSHBUTTON, IDNO);
  if (!info_.style.empty()) AddChild(L"STATIC", L"", SS_OWNERDRAW, kPromptLineId);
  if (info_.style == "hold") {
    AddChild(L"BUTTON", Widen(info_.text), WS_TABSTOP | BS_AUTOCHECKBOX, kPromptHoldId);
  } else if (info_.style == "note") {
    AddChild(L"STATIC", Widen(info_.text), SS_LEFT | SS_NOPREFIX | SS_NOTIFY, kPromptNoteId);
  }
  if (standsAlone_) {
    // Without an owner the prompt is a window of its own, with a taskbar button that needs an icon.
    const UINT dpi = WindowDpi(hwnd_);
    smallIcon_.reset(static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                                     SystemMetricForDpi(SM_CXSMICON, dpi),
                                                     SystemMetricForDpi(SM_CYSMICON, dpi), 0)));
    if (smallIcon_) ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
  }
}

void Prompt::Layout(UINT dpi) {
  dpi_ = dpi;
  const NONCLIENTMETRICSW metrics = NonClientMetrics(dpi_);
  font_.reset(::CreateFontIndirectW(&metrics.lfMessageFont));
  LOGFONTW underlined = metrics.lfMessageFont;
  underlined.lfUnderline = TRUE;
  linkFont_.reset(::CreateFontIndirectW(&underlined));
  for (int id : {kPromptTextId, IDYES, IDNO, kPromptHoldId, kPromptNoteId}) {
    if (HWND child = Child(id)) {
      ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(id == kPromptNoteId ? linkFont_.get() : font_.get()),
                     FALSE);
    }
  }
  const int iconSize = Scale(kIconSize, dpi_);
  // The system's warning icon, drawn for this scale rather than stretched from 32 pixels.
  if (auto* icon = static_cast<HICON>(::LoadImageW(nullptr, IDI_WARNING, IMAGE_ICON, iconSize, iconSize, 0))) {
    ::SendMessageW(Child(kPromptIconId), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    icon_.reset(icon);
  }

  // Measure the question and the button captions in the prompt's font.
  const std::wstring question = Widen(UpdateText(kUpdateQuestion, options_.language));
  RECT textRect{0, 0, Scale(kMaxTextWidth, dpi_), 0};
  int captionWidth = 0;
  if (HDC dc = ::GetDC(hwnd_)) {
    HGDIOBJ old = ::SelectObject(dc, font_.get());
    ::DrawTextW(dc, question.c_str(), -1, &textRect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    for (int id : {IDYES, IDNO}) {
      wchar_t caption[64] = {};
      const int length = ::GetWindowTextW(Child(id), caption, 64);
      SIZE size{};
      ::GetTextExtentPoint32W(dc, caption, length, &size);
      captionWidth = std::max(captionWidth, static_cast<int>(size.cx));
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(hwnd_, dc);
  }

  const int margin = Scale(kMargin, dpi_);
  const int textWidth = textRect.right - textRect.left;
  const int textHeight = textRect.bottom - textRect.top;
  const int buttonWidth = std::max(Scale(kButtonWidth, dpi_), captionWidth + Scale(kButtonPadding, dpi_));
  const int buttonHeight = Scale(kButtonHeight, dpi_);
  const int buttonGap = Scale(kButtonGap, dpi_);
  const int contentHeight = std::max(iconSize, textHeight);
  const int buttonsTop = margin + contentHeight + Scale(kTextToButtons, dpi_);
  const int iconGap = Scale(kIconGap, dpi_);
  const int clientWidth =
      std::max(margin + iconSize + iconGap + textWidth + margin, 2 * buttonWidth + buttonGap + 2 * margin);
  const int clientHeight = buttonsTop + buttonHeight + margin;

  const SIZE outer = OuterSizeForClient(clientWidth, clientHeight, kStyle,
                                        static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)), dpi_);
  const int outerWidth = outer.cx;
  int outerHeight = outer.cy;

  ::SetWindowPos(Child(kPromptIconId), nullptr, margin, margin, iconSize, iconSize, SWP_NOZORDER | SWP_NOACTIVATE);
  const int textTop = margin + (textHeight < iconSize ? (iconSize - textHeight) / 2 : 0);
  ::SetWindowPos(Child(kPromptTextId), nullptr, margin + iconSize + iconGap, textTop, textWidth, textHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  const int buttonsLeft = (clientWidth - (2 * buttonWidth + buttonGap)) / 2;
  ::SetWindowPos(Child(IDYES), nullptr, buttonsLeft, buttonsTop, buttonWidth, buttonHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  ::SetWindowPos(Child(IDNO), nullptr, buttonsLeft + buttonWidth + buttonGap, buttonsTop, buttonWidth, buttonHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);

  if (!info_.style.empty()) {
    const int offset = options_.dialogOffset;
    const int frame = outerHeight - clientHeight;
    outerHeight += Scale(kNoticeGrow - offset, dpi_);
    // Heights are outer, tops are inside the prompt: the line falls between the buttons and the row.
    int lineTop = outerHeight - Scale(kLineFromBottom - offset, dpi_);
    int rowTop = outerHeight - Scale(kRowFromBottom - offset, dpi_);
    const int rowHeight = Scale(kRowHeight, dpi_);
    // The numbers fit the platform's usual frame. A thinner frame would put the line on the
    // buttons, a thicker one the row out of sight: keep both in view, the row first.
    const int clearance = buttonsTop + buttonHeight + Scale(kLineClearance, dpi_) - lineTop;
    if (clearance > 0) {
      lineTop += clearance;
      rowTop += clearance;
    }
    const int overflow = rowTop + rowHeight - (outerHeight - frame);
    if (overflow > 0) {
      lineTop -= overflow;
      rowTop -= overflow;
    }
    ::SetWindowPos(Child(kPromptLineId), nullptr, 0, lineTop, clientWidth, std::max(1, Scale(1, dpi_)),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    const int rowLeft = Scale(kRowLeft, dpi_);
    for (int id : {kPromptHoldId, kPromptNoteId}) {
      if (HWND row = Child(id)) {
        ::SetWindowPos(row, nullptr, rowLeft, rowTop, clientWidth - 2 * rowLeft, rowHeight,
                       SWP_NOZORDER | SWP_NOACTIVATE);
      }
    }
  }
  ::SetWindowPos(hwnd_, nullptr, 0, 0, outerWidth, outerHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // Sized for a frame at this DPI; under plain per-monitor awareness the system may draw another.
  FitClientSize(hwnd_, clientWidth, outerHeight - (outer.cy - clientHeight));
}

void Prompt::Centre() {
  HMONITOR monitor = options_.owner && !standsAlone_
                         ? ::MonitorFromWindow(options_.owner, MONITOR_DEFAULTTOPRIMARY)
                         : ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!::GetMonitorInfoW(monitor, &info)) return;
  RECT window{};
  ::GetWindowRect(hwnd_, &window);
  const RECT& work = info.rcWork;
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  ::SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Prompt::Finish(int answer) {
  holdTicked_ = ::IsDlgButtonChecked(hwnd_, kPromptHoldId) == BST_CHECKED;
  ::EndDialog(hwnd_, answer);
}

INT_PTR Prompt::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: {
      ApplyFrameMode(hwnd_, Frame());
      Create();
      Layout(WindowDpi(hwnd_));
      Centre();
      // Centring may have moved the prompt to a monitor of another scale.
      if (const UINT dpi = WindowDpi(hwnd_); dpi != dpi_) {
        Layout(dpi);
        Centre();
      }
      ::SendMessageW(hwnd_, DM_SETDEFID, IDYES, 0);
      ::SetFocus(Child(IDYES));
      return FALSE;  // focus is set
    }
    case WM_DPICHANGED: {
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      Layout(HIWORD(wParam));
      ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return TRUE;
    }
    case WM_SETTINGCHANGE:
      // The user switched between light and dark app mode while the prompt waits.
      if (IsColorSetChange(msg, lParam)) ApplyFrameMode(hwnd_, Frame());
      return FALSE;
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(background_.get());
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      ::SetBkColor(dc, kBackground);
      if (reinterpret_cast<HWND>(lParam) == Child(kPromptNoteId)) ::SetTextColor(dc, kLinkColor);
      return reinterpret_cast<INT_PTR>(background_.get());
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID != kPromptLineId) return FALSE;
      ::FillRect(item->hDC, &item->rcItem, line_.get());
      return TRUE;
    }
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wParam) == Child(kPromptNoteId) && Child(kPromptNoteId)) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDYES:
        case IDNO:
        case IDCANCEL:
          Finish(LOWORD(wParam));
          return TRUE;
        case kPromptNoteId:
          // The link opens on top of the prompt, which stays for the answer.
          if (HIWORD(wParam) == STN_CLICKED && options_.links) OpenServiceLink(Widen(info_.url), *options_.links);
          return TRUE;
        default:
          return FALSE;
      }
    case WM_CLOSE:
      Finish(IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK PromptProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* prompt = reinterpret_cast<Prompt*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  if (msg == WM_INITDIALOG) {
    prompt = reinterpret_cast<Prompt*>(lParam);
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    prompt->Attach(hwnd);
  }
  if (!prompt) return FALSE;
  try {
    return prompt->Handle(msg, wParam, lParam);
  } catch (...) {
    return FALSE;  // nothing may cross back into the dialog manager
  }
}

// An empty in-memory dialog template: the prompt creates and places its own controls.
std::vector<DWORD> MakeTemplate(DWORD exStyle) {
  DLGTEMPLATE header{};
  header.style = kStyle;
  header.dwExtendedStyle = exStyle;
  // Followed by three zero words: no menu, the standard dialog class, an empty title.
  std::vector<DWORD> buffer((sizeof(header) + 3 * sizeof(WORD) + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
  std::memcpy(buffer.data(), &header, sizeof(header));
  return buffer;
}

}  // namespace

bool ShowUpdatePrompt(const UpdateInfo& info, const PromptOptions& options) noexcept {
  try {
    const bool stayOnTop = info.flag.find("stayontop") != std::string::npos;
    // After a hidden start the owner was never on screen; the prompt then stands on its own.
    const bool standsAlone = stayOnTop && !options.mainWindowShown;
    Prompt prompt(info, options, standsAlone);
    const std::vector<DWORD> dialog = MakeTemplate(kExStyle | (stayOnTop ? WS_EX_TOPMOST : 0));
    const INT_PTR answer =
        ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(dialog.data()),
                                  standsAlone ? nullptr : options.owner, &PromptProc, reinterpret_cast<LPARAM>(&prompt));
    if (prompt.HoldTicked() && !options.holdUrl.empty()) StartHoldRequest(options.holdUrl);
    return answer == IDYES;
  } catch (...) {
    return false;
  }
}

std::optional<bool> UpdateDialog(std::string_view data, const PromptOptions& options) noexcept {
  try {
    const auto info = ReadUpdateInfo(data);
    if (!info) return std::nullopt;
    return ShowUpdatePrompt(*info, options);
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace sweeplet
