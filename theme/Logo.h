#pragma once
// The maker's logo in the header: the wordmark drawn from vector paths into the control's box,
// proportions kept and centred, with a hand cursor. A click sends WM_COMMAND (id, BN_CLICKED)
// to the parent. User-interface thread only.
#include <windows.h>

namespace sweeplet {

// `rect` is in the parent's client coordinates, in device pixels. Returns null on failure.
HWND CreateLogo(HWND parent, int id, const RECT& rect);

}  // namespace sweeplet
