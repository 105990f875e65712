#include "app/Panel.h"

#include "common/WindowClass.h"
#include "theme/HighContrast.h"

namespace sweeplet {
namespace {

LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      return ::SendMessageW(::GetAncestor(hwnd, GA_ROOT), msg, wParam, lParam);
    case WM_ERASEBKGND: {
      RECT rc;
      ::GetClientRect(hwnd, &rc);
      ::FillRect(reinterpret_cast<HDC>(wParam), &rc, PageBrush());
      return 1;
    }
    default:
      return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

void RegisterPanelClass(HINSTANCE instance) noexcept {
  RegisterWindowClassOnce({.name = kPanelClass,
                           .proc = PanelProc,
                           .instance = instance,
                           .cursor = IDC_ARROW,
                           .background = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH))});
}

HWND CreatePanel(HWND parent, const RECT& rect) noexcept {
  return ::CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                           rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                           ::GetModuleHandleW(nullptr), nullptr);
}

}  // namespace sweeplet
