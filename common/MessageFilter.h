#pragma once
// Messages an elevated window accepts from processes of a lower integrity level (the shell runs
// unelevated). Without this, Windows drops them before they reach the window.
#include <windows.h>

namespace sweeplet {

// ChangeWindowMessageFilterEx(window, message, MSGFLT_ALLOW) where the system has it (Windows 7
// on), the process-wide ChangeWindowMessageFilter where only that exists (Vista); both looked up
// at run time. False when neither is there or the call fails.
bool AllowFromLowerIntegrity(HWND window, UINT message) noexcept;

}  // namespace sweeplet
