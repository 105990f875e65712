#pragma once
// What a start of the program becomes: the running instance, or a messenger to the one that runs.
// Platform-neutral so that every path can be driven by a fake; the Win32 side is in main.cpp.
#include <string_view>

namespace sweeplet {

// Hand-off commands carried in wParam of WM_USER. They carry nothing else: a sender cannot choose
// what the running copy does beyond which of these it asks for.
enum class HandOff : unsigned { ShowWindow = 1, UninstallAndQuit = 2, Clean = 3 };

// How a hand-off went. Failed: the window's thread did not answer within the time-out, or
// the system judged it hung (a hung copy, or another program squatting on our class name).
enum class HandOffResult { NoWindow, Delivered, Failed };

class IEntryPlatform {
 public:
  virtual ~IEntryPlatform() = default;
  // Looks up the running instance's main window; remembers it for the calls below.
  virtual bool FindInstanceWindow() = 0;
  // Sends with a time-out, so that a window that never answers cannot hold this start.
  virtual HandOffResult SendHandOff(HandOff command) = 0;
  // Lets the window's process take the foreground: only a process that may set it can pass it on.
  virtual void AllowInstanceForeground() = 0;
  // Opens the window's process so that its end can be awaited; false when there is none.
  virtual bool WatchInstanceProcess() = 0;
  virtual bool InstanceProcessRunning() = 0;  // the process opened above has not ended
  virtual bool InstanceHung() = 0;            // the system reports the window's thread hung
  virtual void Sleep(unsigned milliseconds) = 0;
  virtual bool OpenInstanceMutex() = 0;            // an instance runs
  // Creates the mutex with initial ownership; true when it already existed (a start racing ours).
  virtual bool CreateInstanceMutexFoundExisting() = 0;
  // Creates the main window and runs the message loop until it closes for good.
  virtual void RunInstance(bool hidden) = 0;
  // One purge in this process, with no window, no tray icon and no update check.
  virtual void PurgeHere() = 0;
};

// HandOffFailed: the running copy could not be reached, or (for "/uninst") did not end in time.
// CleanedHere: "/clean" found no copy running and purged in this process.
enum class StartOutcome { Uninstalled, Messenger, Instance, HandOffFailed, CleanedHere };

// "/uninst" polls the copy's process this often and this many times: the copy may first have to
// wait for a cleaning job and for the Task Scheduler, but never for longer than this.
inline constexpr unsigned kUninstallPollMs = 100;
inline constexpr int kUninstallPolls = 300;

// A start that finds the instance mutex but no window yet (the copy is still starting) looks for
// the window this often and this many times before it gives up.
inline constexpr unsigned kWindowPollMs = 100;
inline constexpr int kWindowPolls = 50;

// The entry algorithm; `firstArgument` is the first command-line argument ("" for none).
StartOutcome RunEntry(std::wstring_view firstArgument, IEntryPlatform& platform);

// The process's exit code for an outcome: non-zero only when a hand-off failed.
inline int ExitCodeOf(StartOutcome outcome) { return outcome == StartOutcome::HandOffFailed ? 1 : 0; }

}  // namespace sweeplet
