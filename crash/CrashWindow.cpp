#include "crash/CrashWindow.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/Dpi.h"
#include "common/UniqueHandle.h"
#include "i18n/TranslateWin.h"
#include "resources/resource.h"
#include "theme/FrameMode.h"

namespace sweeplet {
namespace {

// Layout in 96-DPI pixels, as the update prompt's.
constexpr int kMargin = 14;
constexpr int kIconSize = 32;
constexpr int kIconGap = 12;
constexpr int kMaxTextWidth = 340;
constexpr int kTextToButton = 20;
constexpr int kButtonWidth = 82;
constexpr int kButtonHeight = 26;
constexpr int kButtonPadding = 24;
constexpr COLORREF kBackground = RGB(255, 255, 255);
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

class CrashWindow {
 public:
  CrashWindow(bool saved, void (*start)(HWND, void*), void* context) : saved_(saved), start_(start), context_(context) {}
  INT_PTR Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  HWND Child(int id) const { return ::GetDlgItem(hwnd_, id); }
  std::wstring Text() const;
  void Create();
  void Layout(UINT dpi);

  const bool saved_;
  void (*const start_)(HWND, void*);
  void* const context_;
  bool sent_ = false;
  HWND hwnd_ = nullptr;
  UniqueFont font_;
  UniqueIcon icon_;
  UniqueIcon smallIcon_;
  UniqueBrush background_{::CreateSolidBrush(kBackground)};
};

std::wstring CrashWindow::Text() const {
  std::wstring text = TranslateW(L"오류가 발생하여 Sweeplet이 중지되었습니다.");
  if (saved_) {
    text += L"\r\n\r\n";
    text += sent_ ? TranslateW(L"오류 보고서를 저장하고 보냈습니다.") : TranslateW(L"오류 보고서를 저장했습니다.");
  }
  return text;
}

void CrashWindow::Create() {
  ::SetWindowTextW(hwnd_, L"Sweeplet");
  const auto add = [this](const wchar_t* cls, const std::wstring& text, DWORD style, int id) {
    ::CreateWindowExW(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd_,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
  };
  add(L"STATIC", L"", SS_ICON, kCrashIconId);
  add(L"STATIC", Text(), SS_LEFT | SS_NOPREFIX, kCrashTextId);
  add(L"BUTTON", TranslateW(L"닫기"), WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, IDCANCEL);
  // A window of its own, with a taskbar button: the program's icon on it.
  const UINT dpi = WindowDpi(hwnd_);
  smallIcon_.reset(static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                                   SystemMetricForDpi(SM_CXSMICON, dpi),
                                                   SystemMetricForDpi(SM_CYSMICON, dpi), 0)));
  if (smallIcon_) ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

void CrashWindow::Layout(UINT dpi) {
  const NONCLIENTMETRICSW metrics = NonClientMetrics(dpi);
  font_.reset(::CreateFontIndirectW(&metrics.lfMessageFont));
  for (int id : {kCrashTextId, IDCANCEL}) ::SendMessageW(Child(id), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  const int iconSize = Scale(kIconSize, dpi);
  if (auto* icon = static_cast<HICON>(::LoadImageW(nullptr, IDI_ERROR, IMAGE_ICON, iconSize, iconSize, 0))) {
    ::SendMessageW(Child(kCrashIconId), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    icon_.reset(icon);
  }
  const std::wstring text = Text();
  ::SetWindowTextW(Child(kCrashTextId), text.c_str());
  RECT textRect{0, 0, Scale(kMaxTextWidth, dpi), 0};
  int captionWidth = 0;
  if (HDC dc = ::GetDC(hwnd_)) {
    HGDIOBJ old = ::SelectObject(dc, font_.get());
    ::DrawTextW(dc, text.c_str(), -1, &textRect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    wchar_t caption[64] = {};
    const int length = ::GetWindowTextW(Child(IDCANCEL), caption, 64);
    SIZE size{};
    ::GetTextExtentPoint32W(dc, caption, length, &size);
    captionWidth = size.cx;
    ::SelectObject(dc, old);
    ::ReleaseDC(hwnd_, dc);
  }
  const int margin = Scale(kMargin, dpi);
  const int iconGap = Scale(kIconGap, dpi);
  const int textWidth = textRect.right - textRect.left;
  const int textHeight = textRect.bottom - textRect.top;
  const int buttonWidth = std::max(Scale(kButtonWidth, dpi), captionWidth + Scale(kButtonPadding, dpi));
  const int buttonHeight = Scale(kButtonHeight, dpi);
  const int clientWidth = std::max(margin + iconSize + iconGap + textWidth + margin, buttonWidth + 2 * margin);
  const int buttonTop = margin + std::max(iconSize, textHeight) + Scale(kTextToButton, dpi);
  const int clientHeight = buttonTop + buttonHeight + margin;
  constexpr UINT kPlace = SWP_NOZORDER | SWP_NOACTIVATE;
  ::SetWindowPos(Child(kCrashIconId), nullptr, margin, margin, iconSize, iconSize, kPlace);
  ::SetWindowPos(Child(kCrashTextId), nullptr, margin + iconSize + iconGap, margin, textWidth, textHeight, kPlace);
  ::SetWindowPos(Child(IDCANCEL), nullptr, clientWidth - margin - buttonWidth, buttonTop, buttonWidth, buttonHeight, kPlace);
  const SIZE outer = OuterSizeForClient(clientWidth, clientHeight, kStyle,
                                        static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)), dpi);
  ::SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | kPlace);
}

INT_PTR CrashWindow::Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: {
      hwnd_ = hwnd;
      ApplyFrameMode(hwnd_, SystemFrameMode());
      Create();
      Layout(WindowDpi(hwnd_));
      // In the middle of the primary monitor's work area: the program's own window is gone.
      MONITORINFO info{};
      info.cbSize = sizeof(info);
      RECT window{};
      if (::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info) &&
          ::GetWindowRect(hwnd_, &window)) {
        const RECT& work = info.rcWork;
        ::SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - (window.right - window.left)) / 2,
                       work.top + (work.bottom - work.top - (window.bottom - window.top)) / 2, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      ::SendMessageW(hwnd_, DM_SETDEFID, IDCANCEL, 0);
      ::SetFocus(Child(IDCANCEL));
      ::SetForegroundWindow(hwnd_);
      if (start_) start_(hwnd_, context_);
      return FALSE;  // focus is set
    }
    case kCrashSentMessage:
      if (wParam && !sent_) {
        sent_ = true;
        Layout(WindowDpi(hwnd_));
      }
      return TRUE;
    case WM_DPICHANGED: {
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      Layout(HIWORD(wParam));
      ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return TRUE;
    }
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(background_.get());
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      ::SetBkColor(reinterpret_cast<HDC>(wParam), kBackground);
      return reinterpret_cast<INT_PTR>(background_.get());
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) {
        ::EndDialog(hwnd_, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      ::EndDialog(hwnd_, IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK CrashWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* window = reinterpret_cast<CrashWindow*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  if (msg == WM_INITDIALOG) {
    window = reinterpret_cast<CrashWindow*>(lParam);
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
  }
  if (!window) return FALSE;
  try {
    return window->Handle(hwnd, msg, wParam, lParam);
  } catch (...) {
    return FALSE;  // nothing may cross back into the dialog manager
  }
}

}  // namespace

void ShowCrashWindow(bool saved, void (*start)(HWND, void*), void* context) noexcept {
  try {
    CrashWindow window(saved, start, context);
    DLGTEMPLATE header{};
    header.style = kStyle;
    header.dwExtendedStyle = WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW | WS_EX_TOPMOST |
                             (CurrentLanguage() == "ar" ? WS_EX_LAYOUTRTL | WS_EX_RTLREADING : 0);
    // Followed by three zero words: no menu, the standard dialog class, an empty title.
    std::vector<DWORD> dialog((sizeof(header) + 3 * sizeof(WORD) + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
    std::memcpy(dialog.data(), &header, sizeof(header));
    ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(dialog.data()), nullptr,
                              &CrashWindowProc, reinterpret_cast<LPARAM>(&window));
  } catch (...) {
  }
}

}  // namespace sweeplet
