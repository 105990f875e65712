#include "common/MessageFilter.h"

#include "common/SystemProc.h"

namespace sweeplet {

bool AllowFromLowerIntegrity(HWND window, UINT message) noexcept {
  using FilterEx = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
  using Filter = BOOL(WINAPI*)(UINT, DWORD);
  constexpr DWORD kAllow = 1;  // MSGFLT_ALLOW, and MSGFLT_ADD for the older call
  if (const auto filterEx = SystemProc<FilterEx>(L"user32.dll", "ChangeWindowMessageFilterEx")) {
    return filterEx(window, message, kAllow, nullptr) != FALSE;
  }
  if (const auto filter = SystemProc<Filter>(L"user32.dll", "ChangeWindowMessageFilter")) {
    return filter(message, kAllow) != FALSE;
  }
  return false;
}

}  // namespace sweeplet
