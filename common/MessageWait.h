#pragma once
// Waiting on a user-interface thread for another thread that may send it a message meanwhile
// (SendMessage, or a hand-off through the dispatcher): the sent messages are served during the
// wait, so neither thread waits for the other forever. Posted messages stay queued.
#include <windows.h>

namespace sweeplet {

// Waits up to `timeoutMs` for `object`: WAIT_OBJECT_0 once it is signalled, else WAIT_TIMEOUT
// or WAIT_FAILED (or WAIT_ABANDONED_0 for a mutex, as WaitForSingleObject gives).
inline DWORD WaitServingSentMessages(HANDLE object, DWORD timeoutMs = INFINITE) noexcept {
  const ULONGLONG start = ::GetTickCount64();
  for (;;) {
    // Serves what was sent already: the wait below wakes only for messages that arrive after
    // the queue was last looked at, so one that came earlier would be left waiting.
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    DWORD left = INFINITE;
    if (timeoutMs != INFINITE) {
      const ULONGLONG spent = ::GetTickCount64() - start;
      left = spent >= timeoutMs ? 0 : static_cast<DWORD>(timeoutMs - spent);
    }
    const DWORD woken = ::MsgWaitForMultipleObjectsEx(1, &object, left, QS_SENDMESSAGE, 0);
    if (woken != WAIT_OBJECT_0 + 1) return woken;
  }
}

}  // namespace sweeplet
