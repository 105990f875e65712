#pragma once
// Per-monitor DPI: the one place that asks for a window's DPI, scales a length and reads the
// system's metrics, window frames and fonts for a DPI. The per-DPI calls of Windows 10 1607 are
// looked up at run time, so that the program still starts on Windows 7; there the answers are
// those for the system DPI, scaled where a length can be.
#include <windows.h>

namespace sweeplet {

inline constexpr UINT kDefaultDpi = 96;

// The DPI of the monitor that shows `hwnd`; the system DPI for no window, or where Windows
// cannot tell per window.
UINT WindowDpi(HWND hwnd) noexcept;
// A length in 96-DPI pixels at `dpi`.
inline int Scale(int value96, UINT dpi) noexcept { return ::MulDiv(value96, static_cast<int>(dpi), 96); }
// A size metric (SM_CX... or SM_CY..., e.g. SM_CXSMICON) at `dpi`.
int SystemMetricForDpi(int index, UINT dpi) noexcept;
// Outer window size for a client size, both in pixels at `dpi`.
SIZE OuterSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi) noexcept;
// Answers WM_DPICHANGED for a window whose client area is to be clientWidth x clientHeight
// (pixels at the new DPI): it takes the system's suggested rectangle, then corrects the size by
// the frame the window really has. Under per-monitor v2 the suggestion is right already. Under
// plain per-monitor awareness (Windows 8.1; Windows 10 1607, which does not know v2) the system
// does not scale the frame and caption, yet suggests the whole outer size scaled: the client area
// would be off by the frame's difference.
void MoveForDpiChange(HWND hwnd, const RECT& suggested, int clientWidth, int clientHeight) noexcept;
// Resizes the window, where it is, so that its client area is clientWidth x clientHeight with the
// frame it really has; nothing when it is so already. For sizes computed with OuterSizeForClient,
// which assumes a frame at the window's DPI: under plain per-monitor awareness it may be at another.
void FitClientSize(HWND hwnd, int clientWidth, int clientHeight) noexcept;
// For a top-level window's WM_NCCREATE: under plain per-monitor awareness on Windows 10 1607, asks
// the system to scale its caption and frame with the DPI as v2 does (EnableNonClientDpiScaling).
// Does nothing elsewhere.
void ScaleNonClientWithDpi(HWND hwnd) noexcept;
// The system's icon-title font (the desktop font) at `dpi`.
LOGFONTW DesktopFont(UINT dpi) noexcept;
// The caption, menu, status and message fonts and the frame sizes at `dpi`.
NONCLIENTMETRICSW NonClientMetrics(UINT dpi) noexcept;

namespace dpi_detail {

// What the functions above answer where the per-DPI calls are missing; apart so that tests can
// hold them against those calls.
UINT SystemDpi() noexcept;
int ScaledSystemMetric(int index, UINT dpi) noexcept;
SIZE PlainOuterSize(int clientWidth, int clientHeight, DWORD style, DWORD exStyle) noexcept;
LOGFONTW ScaledDesktopFont(UINT dpi) noexcept;
NONCLIENTMETRICSW ScaledNonClientMetrics(UINT dpi) noexcept;

}  // namespace dpi_detail
}  // namespace sweeplet
