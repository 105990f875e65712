#pragma once
// The maker's logo in the header: the wordmark drawn from vector paths into the control's box,
// proportions kept and centred (in the system's colours under high contrast), with a hand
// cursor. A click sends WM_COMMAND (id, BN_CLICKED) to the parent. Screen readers see a link
// named after the maker. User-interface thread only.
#include <windows.h>

namespace sweeplet {

// `rect` is in the parent's client coordinates, in device pixels. Returns null on failure.
HWND CreateLogo(HWND parent, int id, const RECT& rect);

}  // namespace sweeplet
