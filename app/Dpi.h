#pragma once
// Per-monitor DPI helpers. The DPI functions of Windows 10 are looked up at run time so
// that the program still starts on older systems, where it falls back to the system DPI.
#include <windows.h>

namespace sweeplet {

inline constexpr UINT kDefaultDpi = 96;

UINT WindowDpi(HWND hwnd) noexcept;
inline int Scale(int value96, UINT dpi) noexcept { return ::MulDiv(value96, static_cast<int>(dpi), 96); }
// Outer window size for a client size, both in pixels at `dpi`.
SIZE OuterSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi) noexcept;
// The system's icon-title font (the desktop font) at `dpi`.
LOGFONTW DesktopFont(UINT dpi) noexcept;

}  // namespace sweeplet
