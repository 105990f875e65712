#pragma once
// The once-per-start question to the update service, and the "hold" request.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "common/ShellOpen.h"

namespace sweeplet {

// Called on the user-interface thread after the reply was handled: `opened` is true when the
// user accepted the offered update and its link was opened (the program should then end);
// `data` is the whole reply ("" when no request succeeded).
using UpdateDoneProc = std::function<void(bool opened, const std::wstring& data)>;

// What the check needs from the main window. Everything but `language` is used on the
// user-interface thread when the reply is handled.
struct UpdateWindowContext {
  HWND mainWindow = nullptr;  // owns the prompt
  std::string language;       // CurrentLanguage(): the "User-Language" header and the prompt's texts
  std::wstring title;         // the prompt's caption: the translated application title
  // False while the main window has never been shown (a hidden start); unset counts as shown.
  std::function<bool()> mainWindowShown;
  // Opens the accepted update's link; null: no link is opened.
  ILinkOpener* links = nullptr;
  // Shows the service's notice link in the window's notice bar; unset: the notice is dropped.
  std::function<void(const std::wstring& link)> showNotice;
};

// Starts the check on a worker thread: the request (up to six attempts, ten seconds apart), then
// on the user-interface thread, through UiDispatcher::Main(), the update prompt, the notice bar
// and `done`. With `done` given it returns at once; without it, it waits for the whole check,
// serving the hand-off meanwhile. Call on the user-interface thread.
void CheckUpdate(std::wstring serviceUrl, UpdateDoneProc done, int dialogOffset,
                 UpdateWindowContext window) noexcept;

// For the program's end, on the user-interface thread before the main window goes: every check
// stops waiting at once and hands nothing over any more. A request in flight is abandoned.
void StopUpdateCheck() noexcept;

// The "hold" request ("User-Version", "User-Command: hold") sent once; its outcome is dropped.
bool SendHoldRequest(std::wstring_view serviceUrl) noexcept;
// The same on a thread of its own, so that the caller does not wait.
void StartHoldRequest(std::wstring serviceUrl) noexcept;

}  // namespace sweeplet
