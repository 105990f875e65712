#include "theme/Logo.h"

#include <oleacc.h>

#include "common/Accessible.h"
#include "common/WindowClass.h"
#include "theme/DrawSupport.h"
#include "theme/HighContrast.h"
#include "theme/LogoShape.h"

namespace sweeplet {
namespace {

using namespace theme_detail;

constexpr wchar_t kLogoClass[] = L"SweepletLogo";

void NotifyClicked(HWND hwnd) {
  ::SendMessageW(::GetParent(hwnd), WM_COMMAND, MAKEWPARAM(static_cast<UINT>(::GetDlgCtrlID(hwnd)), BN_CLICKED),
                 reinterpret_cast<LPARAM>(hwnd));
}

void Render(HWND hwnd, HDC target) {
  RECT client{};
  ::GetClientRect(hwnd, &client);
  PaintBuffer buffer(target, client.right, client.bottom);
  if (!buffer.Ok()) return;
  PaintParentBackground(hwnd, buffer.Dc(), client.right, client.bottom, WM_CTLCOLORSTATIC);
  Pixmap pixels = buffer.Pixels();
  const LogoPlacement fit = FitLogo(static_cast<float>(client.right), static_cast<float>(client.bottom));
  const bool highContrast = HighContrastOn();
  const SystemColors system = ReadSystemColors();
  for (const LogoLayer& layer : LogoLayers()) {
    FillPath(pixels, layer.path.Transformed(fit.scale, fit.scale, fit.dx, fit.dy),
             LogoLayerColor(layer.color, highContrast, system));
  }
  buffer.CopyTo(target);
}

LRESULT CALLBACK LogoProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      HDC dc = ::BeginPaint(hwnd, &ps);
      Render(hwnd, dc);
      ::EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      Render(hwnd, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      ::SetCapture(hwnd);
      return 0;
    case WM_LBUTTONUP: {
      // A click is a press and a release both on the logo, as with a button.
      if (::GetCapture() != hwnd) return 0;
      ::ReleaseCapture();
      RECT client{};
      ::GetClientRect(hwnd, &client);
      const POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      if (::PtInRect(&client, pt)) NotifyClicked(hwnd);
      return 0;
    }
    case WM_SIZE:
      ::InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    default:
      return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

// A link to the maker's home page, not a place for the keyboard focus.
long AccessibleState(HWND, long standard) {
  return (standard & ~(STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED)) | STATE_SYSTEM_LINKED;
}

void FollowForAccessibility(HWND hwnd) {
  ::PostMessageW(::GetParent(hwnd), WM_COMMAND, MAKEWPARAM(static_cast<UINT>(::GetDlgCtrlID(hwnd)), BN_CLICKED),
                 reinterpret_cast<LPARAM>(hwnd));
}

}  // namespace

HWND CreateLogo(HWND parent, int id, const RECT& rect) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE));
  RegisterWindowClassOnce(
      {.name = kLogoClass, .proc = LogoProc, .instance = instance, .cursor = IDC_HAND, .style = CS_DBLCLKS});
  // The window text names the logo, after its maker, for accessibility tools.
  HWND logo = ::CreateWindowExW(0, kLogoClass, L"Orvane", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, rect.left, rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  SetAccessibleTraits(logo, {.role = ROLE_SYSTEM_LINK,
                             .state = AccessibleState,
                             .defaultAction = L"Jump",
                             .doDefaultAction = FollowForAccessibility});
  return logo;
}

}  // namespace sweeplet
