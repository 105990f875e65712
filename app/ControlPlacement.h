#pragma once
// Where the window's controls sit, in pixels at 96 DPI, and how they are made there. Controls are
// created in place: moving each one afterwards is a trip to the window system per control.
#include <windows.h>

#include <span>

namespace sweeplet {

// A control's place in its container.
struct Placement {
  HWND* control;
  int x, y, w, h;
  bool dropDown = false;  // a drop-down list, whose window height includes its list
};

// The place at `dpi`.
RECT PlacedRect(const Placement& placement, UINT dpi) noexcept;
// The place of `control` among `placements`; empty when it has none.
RECT PlacedRect(std::span<const Placement> placements, const HWND& control, UINT dpi) noexcept;
// Moves every control to its place at `dpi`.
void PlaceAll(std::span<const Placement> placements, UINT dpi) noexcept;

// A visible child control with the given class, text, style and id.
HWND MakeChild(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id, const RECT& rect) noexcept;

// A page made after its window: every child takes `font`, and the page the window's focus-cue
// state of now, which new controls do not take on by themselves.
void AdoptWindowLook(HWND page, HWND window, HFONT font) noexcept;

}  // namespace sweeplet
