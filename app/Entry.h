#pragma once
// What a start of the program becomes: the running instance, or a messenger to the one that runs.
// Platform-neutral so that every path can be driven by a fake; the Win32 side is in main.cpp.
#include <string_view>

namespace sweeplet {

// Hand-off commands carried in wParam of WM_USER.
enum class HandOff : unsigned { ShowWindow = 1, UninstallAndQuit = 2 };

class IEntryPlatform {
 public:
  virtual ~IEntryPlatform() = default;
  // Looks up the running instance's main window; remembers it for the calls below.
  virtual bool FindInstanceWindow() = 0;
  virtual void SendHandOff(HandOff command) = 0;  // to the window found (nobody if none)
  virtual bool InstanceWindowExists() = 0;         // IsWindow on the handle found
  virtual void Sleep(unsigned milliseconds) = 0;
  virtual bool OpenInstanceMutex() = 0;            // an instance runs
  // Creates the mutex with initial ownership; true when it already existed (a start racing ours).
  virtual bool CreateInstanceMutexFoundExisting() = 0;
  // Creates the main window and runs the message loop until it closes for good.
  virtual void RunInstance(bool hidden) = 0;
};

enum class StartOutcome { Uninstalled, Messenger, Instance };

// The entry algorithm; `firstArgument` is the first command-line argument ("" for none).
StartOutcome RunEntry(std::wstring_view firstArgument, IEntryPlatform& platform);

}  // namespace sweeplet
