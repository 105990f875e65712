#pragma once
// The busy indicator laid over the clean button: black dots circling with momentum, one frame
// every 50 ms while it animates. It shows through to what lies beneath it (the parent's
// background and the sibling controls under it, such as the clean button in whatever state it
// is drawn) and lets mouse clicks pass to them. User-interface thread only.
#include <windows.h>

namespace sweeplet {

// Created hidden and still; the caller shows and hides it with ShowWindow. `rect` is in the
// parent's client coordinates, in device pixels (32 x 32 at 96 DPI); the dots fill the largest
// centred square inside it. The indicator puts itself at the top of its siblings' z-order, so
// that it is drawn over the control it marks. Returns null when it cannot be created.
HWND CreateActivityIndicator(HWND parent, const RECT& rect);
// Starts or stops the animation (the timer runs only while animating). Starting also lifts the
// indicator above its siblings again.
void StartIndicator(HWND indicator);
void StopIndicator(HWND indicator);
bool IsIndicatorAnimating(HWND indicator);

}  // namespace sweeplet
