#include "app/ControlPlacement.h"

#include "common/Dpi.h"

namespace sweeplet {

RECT PlacedRect(const Placement& p, UINT dpi) noexcept {
  // A drop-down list's window height includes its list; the field keeps the font's height.
  const int h = p.dropDown ? p.h + 160 : p.h;
  const int x = Scale(p.x, dpi), y = Scale(p.y, dpi);
  return RECT{x, y, x + Scale(p.w, dpi), y + Scale(h, dpi)};
}

RECT PlacedRect(std::span<const Placement> placements, const HWND& control, UINT dpi) noexcept {
  for (const Placement& p : placements) {
    if (p.control == &control) return PlacedRect(p, dpi);
  }
  return RECT{};
}

void PlaceAll(std::span<const Placement> placements, UINT dpi) noexcept {
  for (const Placement& p : placements) {
    const RECT r = PlacedRect(p, dpi);
    ::SetWindowPos(*p.control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

HWND MakeChild(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id, const RECT& rect) noexcept {
  return ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           ::GetModuleHandleW(nullptr), nullptr);
}

void AdoptWindowLook(HWND page, HWND window, HFONT font) noexcept {
  const auto wparam = reinterpret_cast<WPARAM>(font);
  for (HWND c = ::GetWindow(page, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
    ::SendMessageW(c, WM_SETFONT, wparam, FALSE);
  }
  const LRESULT uiState = ::SendMessageW(window, WM_QUERYUISTATE, 0, 0);
  for (const WORD flag : {UISF_HIDEFOCUS, UISF_HIDEACCEL}) {
    ::SendMessageW(page, WM_UPDATEUISTATE, MAKEWPARAM((uiState & flag) ? UIS_SET : UIS_CLEAR, flag), 0);
  }
}

}  // namespace sweeplet
