#pragma once
// What screen readers are told about a control: its role, the name read out, its states and a
// default action. The control answers WM_GETOBJECT for its client object with the system's
// standard object for it, wrapped: what is given here replaces the standard answer, everything
// else (place, focus, visibility) stays the system's. The standard object alone is not enough:
// it knows nothing of a drawn control's latched state or of a link, and under Wine it gives
// every control the same generic role.
//
// oleacc.dll is loaded by its full path in the system folder on the first request, never
// imported: the program starts without it, and nothing beside the executable can stand in for it.
// User-interface thread only.
#include <windows.h>

#include <string>

namespace sweeplet {

struct AccessibleTraits {
  long role = 0;                                         // a ROLE_SYSTEM_ value; 0 keeps the standard role
  std::wstring (*name)(HWND) = nullptr;                  // null: the text of `labelledBy`, or the standard name
  HWND labelledBy = nullptr;                             // a control whose caption names this one
  long (*state)(HWND control, long standard) = nullptr;  // the STATE_SYSTEM_ flags; null keeps the standard ones
  const wchar_t* defaultAction = nullptr;                // the default action in words ("Press", "Jump")
  void (*doDefaultAction)(HWND) = nullptr;               // does it; called inside a request, so it should post
};

// Subclasses `control` so that it answers for its client object with `traits`. The subclass keeps
// its data in the control's GWLP_USERDATA: false when that is in use already, or when the control
// could not be subclassed. The traits go with the control.
bool SetAccessibleTraits(HWND control, const AccessibleTraits& traits) noexcept;

}  // namespace sweeplet
