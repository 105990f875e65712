#include "theme/ActivityIndicator.h"

#include <algorithm>

#include "theme/ActivityDots.h"
#include "common/WindowClass.h"
#include "theme/DrawSupport.h"
#include "theme/HighContrast.h"

namespace sweeplet {
namespace {

using namespace theme_detail;

constexpr wchar_t kIndicatorClass[] = L"SweepletActivityIndicator";
constexpr UINT_PTR kFrameTimer = 1;

struct IndicatorData {
  int frame = 0;
  bool animating = false;
};

IndicatorData* DataOf(HWND hwnd) {
  wchar_t cls[64] = {};
  if (hwnd == nullptr || ::GetClassNameW(hwnd, cls, 64) == 0 || lstrcmpiW(cls, kIndicatorClass) != 0) return nullptr;
  return reinterpret_cast<IndicatorData*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void Render(HWND hwnd, const IndicatorData& data, HDC target) {
  RECT client{};
  ::GetClientRect(hwnd, &client);
  PaintBuffer buffer(target, client.right, client.bottom);
  if (!buffer.Ok()) return;
  // What lies beneath, as if the indicator were transparent.
  PaintParentBackground(hwnd, buffer.Dc(), client.right, client.bottom, WM_CTLCOLORSTATIC);
  PaintSiblingsBelow(hwnd, buffer.Dc());
  Pixmap pixels = buffer.Pixels();
  const float side = static_cast<float>(std::min(client.right, client.bottom));
  const float left = (static_cast<float>(client.right) - side) / 2;
  const float top = (static_cast<float>(client.bottom) - side) / 2;
  const Color ink = IndicatorDotColor(HighContrastOn(), ReadSystemColors());
  for (const IndicatorDot& dot : IndicatorFrame(data.frame, side)) {
    Path disc;
    disc.AddEllipse(left + dot.x, top + dot.y, dot.radius, dot.radius);
    FillPath(pixels, disc, ink);
  }
  buffer.CopyTo(target);
}

LRESULT CALLBACK IndicatorProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* data = reinterpret_cast<IndicatorData*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCREATE:
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new IndicatorData));
      break;
    case WM_NCDESTROY:
      ::KillTimer(hwnd, kFrameTimer);
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      delete data;
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      HDC dc = ::BeginPaint(hwnd, &ps);
      if (data != nullptr) Render(hwnd, *data, dc);
      ::EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      if (data != nullptr) Render(hwnd, *data, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_TIMER:
      if (wParam == kFrameTimer && data != nullptr) {
        data->frame = (data->frame + 1) % kIndicatorCycleFrames;
        ::InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
      }
      break;
    case WM_NCHITTEST:
      return HTTRANSPARENT;  // clicks go to the control underneath
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

void RaiseAboveSiblings(HWND hwnd) {
  ::SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

}  // namespace

HWND CreateActivityIndicator(HWND parent, const RECT& rect) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE));
  RegisterWindowClassOnce({.name = kIndicatorClass, .proc = IndicatorProc, .instance = instance, .cursor = IDC_ARROW});
  HWND hwnd = ::CreateWindowExW(0, kIndicatorClass, L"", WS_CHILD | WS_CLIPSIBLINGS, rect.left, rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, instance, nullptr);
  if (hwnd != nullptr) RaiseAboveSiblings(hwnd);
  return hwnd;
}

void StartIndicator(HWND indicator) {
  IndicatorData* data = DataOf(indicator);
  if (data == nullptr) return;
  RaiseAboveSiblings(indicator);
  if (!data->animating) {
    data->animating = ::SetTimer(indicator, kFrameTimer, kIndicatorFrameMs, nullptr) != 0;
  }
  ::InvalidateRect(indicator, nullptr, FALSE);
}

void StopIndicator(HWND indicator) {
  IndicatorData* data = DataOf(indicator);
  if (data == nullptr || !data->animating) return;
  ::KillTimer(indicator, kFrameTimer);
  data->animating = false;
}

bool IsIndicatorAnimating(HWND indicator) {
  const IndicatorData* data = DataOf(indicator);
  return data != nullptr && data->animating;
}

}  // namespace sweeplet
