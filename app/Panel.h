#pragma once
// A plain container window (the header, the page area and its pages). It paints the page
// colour (white, or the system's window colour under high contrast) and passes its children's
// notifications up to the top-level window, where the handlers live.
#include <windows.h>

namespace sweeplet {

inline constexpr wchar_t kPanelClass[] = L"SweepletPanel";

void RegisterPanelClass(HINSTANCE instance) noexcept;
HWND CreatePanel(HWND parent, const RECT& rect) noexcept;

}  // namespace sweeplet
