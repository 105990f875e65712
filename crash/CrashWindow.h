#pragma once
// What the user sees after a failure: that Sweeplet stopped, that a report was saved (and sent),
// and a single Close button.
#include <windows.h>

namespace sweeplet {

// Control ids of the window, for whoever needs to find its parts.
inline constexpr int kCrashTextId = 1500;
inline constexpr int kCrashIconId = 1501;
// The Close button is IDCANCEL, so that Escape and the close box act as it does.

// Posted to the window when sending ended; wParam is 1 when the report was sent.
inline constexpr UINT kCrashSentMessage = WM_APP + 1;

// Shows the window and returns when it closes. `saved`: the report was written. `start`, when not
// null, is called with the window once it exists (the sender posts kCrashSentMessage to it).
void ShowCrashWindow(bool saved, void (*start)(HWND window, void* context), void* context) noexcept;

}  // namespace sweeplet
