#include "theme/ThemeHelper.h"

#include <stdexcept>
#include <vector>

#include "common/Dpi.h"
#include "common/WindowClass.h"
#include "theme/DrawSupport.h"
#include "theme/HighContrast.h"

namespace sweeplet {
namespace {

using theme_detail::FromColorRef;
using theme_detail::ToColorRef;

constexpr wchar_t kLineClass[] = L"SweepletAccentLine";
// The helper and the procedure it replaced, for each window of this thread that has one, so that
// the shared window procedure finds them. Window properties would serve as well, but under Wine
// each lookup of one is a trip to the window server, and this runs for every message.
struct Subclassed {
  HWND form;
  TThemeHelper* helper;  // null once the helper let go while someone else's procedure was on top
  WNDPROC old;
};

std::vector<Subclassed>& SubclassedWindows() {
  thread_local std::vector<Subclassed> windows;
  return windows;
}

Subclassed* FindSubclassed(HWND form) {
  for (Subclassed& s : SubclassedWindows()) {
    if (s.form == form) return &s;
  }
  return nullptr;
}

void ForgetSubclassed(HWND form) {
  std::erase_if(SubclassedWindows(), [form](const Subclassed& s) { return s.form == form; });
}

// Stored in the line's user data: its colour while the window is active, or this while it is
// not. The colour is chosen when painting, so that a change of the system colours or of high
// contrast shows at once.
constexpr LONG_PTR kInactive = -1;

LRESULT CALLBACK LineProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT: {
      PAINTSTRUCT ps{};
      HDC dc = msg == WM_PAINT ? ::BeginPaint(hwnd, &ps) : reinterpret_cast<HDC>(wParam);
      const LONG_PTR stored = ::GetWindowLongPtrW(hwnd, GWLP_USERDATA);
      const bool active = stored != kInactive;
      const COLORREF colour = ToColorRef(
          AccentLineColor(active, HighContrastOn(), active ? FromColorRef(static_cast<COLORREF>(stored)) : Color{},
                          ReadSystemColors()));
      RECT rc{};
      ::GetClientRect(hwnd, &rc);
      ::SetBkColor(dc, colour);
      ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);  // a solid fill without a brush
      if (msg == WM_PAINT) ::EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_NCHITTEST:
      return HTTRANSPARENT;  // clicks on the line belong to the window
    default:
      return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

void RegisterLineClass(HINSTANCE instance) {
  RegisterWindowClassOnce({.name = kLineClass, .proc = LineProc, .instance = instance, .cursor = IDC_ARROW});
}

bool IsTopLevelWindowOfThisThread(HWND hwnd) {
  if (hwnd == nullptr || !::IsWindow(hwnd)) return false;
  if ((::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) != 0) return false;
  return ::GetWindowThreadProcessId(hwnd, nullptr) == ::GetCurrentThreadId();
}

}  // namespace

TThemeHelper::TThemeHelper(HWND form, IFrameModeSystem& frame) {
  if (!IsTopLevelWindowOfThisThread(form)) throw std::invalid_argument("TThemeHelper Owner must be a TForm");
  FForm = form;
  FFrame = &frame;
  FActiveColor = AccentColor;
  FIsActive = true;

  // Asking for dark unconditionally would draw a dark title bar in light mode too.
  ApplyFrameMode(FForm, *FFrame);

  HINSTANCE instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(FForm, GWLP_HINSTANCE));
  RegisterLineClass(instance);
  FShape = ::CreateWindowExW(0, kLineClass, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0, FForm, nullptr, instance,
                             nullptr);
  ::SetWindowLongPtrW(FShape, GWLP_USERDATA, static_cast<LONG_PTR>(ToColorRef(FActiveColor)));

  FOldWindowProc = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(FForm, GWLP_WNDPROC));
  ForgetSubclassed(FForm);
  SubclassedWindows().push_back({FForm, this, FOldWindowProc});
  ::SetWindowLongPtrW(FForm, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TThemeHelper::WindowProc));
  ApplyState();
}

TThemeHelper::~TThemeHelper() { Detach(); }

void TThemeHelper::Detach() noexcept {
  if (FForm == nullptr) return;
  // Only put the old procedure back while ours is the one in force: if someone subclassed the
  // window after us, restoring would cut them off. Ours then just passes every message on.
  if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(FForm, GWLP_WNDPROC)) == &TThemeHelper::WindowProc) {
    ::SetWindowLongPtrW(FForm, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FOldWindowProc));
    ForgetSubclassed(FForm);
  } else if (Subclassed* s = FindSubclassed(FForm)) {
    s->helper = nullptr;
  }
  FForm = nullptr;
}

int TThemeHelper::LineHeight() const noexcept {
  return Scale(2, WindowDpi(FForm));
}

LRESULT CALLBACK TThemeHelper::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  const Subclassed* found = FindSubclassed(hwnd);
  const WNDPROC old = found ? found->old : nullptr;
  if (found && found->helper) found->helper->OnMessage(msg, wParam, lParam);
  const LRESULT result =
      old != nullptr ? ::CallWindowProcW(old, hwnd, msg, wParam, lParam) : ::DefWindowProcW(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    // The window is gone: nothing is left to restore, and the helper must not touch it again.
    // Looked up afresh: the helper may have gone while the window handled the message.
    if (Subclassed* s = FindSubclassed(hwnd); s && s->helper) s->helper->FForm = nullptr;
    ForgetSubclassed(hwnd);
  }
  return result;
}

void TThemeHelper::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  switch (msg) {
    case WM_SIZE:
      ApplyState();
      break;
    case WM_ACTIVATE:
      FIsActive = LOWORD(wParam) != WA_INACTIVE;
      ApplyState();
      break;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:  // high contrast turned on or off, or the app mode changed
      if (FShape != nullptr) ::InvalidateRect(FShape, nullptr, FALSE);
      if (FForm != nullptr && IsColorSetChange(msg, lParam)) ApplyFrameMode(FForm, *FFrame);
      break;
    default:
      break;
  }
}

void TThemeHelper::ApplyState() noexcept {
  if (FForm == nullptr || FShape == nullptr) return;
  ::SetWindowLongPtrW(FShape, GWLP_USERDATA,
                      FIsActive ? static_cast<LONG_PTR>(ToColorRef(FActiveColor)) : kInactive);
  // Shown only on a window with a border, as a frameless window has no edge for it to mark.
  const LONG_PTR style = ::GetWindowLongPtrW(FForm, GWL_STYLE);
  const bool bordered = (style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME)) != 0;
  RECT client{};
  ::GetClientRect(FForm, &client);
  ::SetWindowPos(FShape, HWND_TOP, 0, 0, client.right - client.left, LineHeight(),
                 SWP_NOACTIVATE | (bordered ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
  ::InvalidateRect(FShape, nullptr, FALSE);
}

}  // namespace sweeplet
