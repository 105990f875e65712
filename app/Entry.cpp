#include "app/Entry.h"

#include "app/Switches.h"

namespace sweeplet {

StartOutcome RunEntry(std::wstring_view firstArgument, IEntryPlatform& platform) {
  // The window lookup comes first, before anything else can change what is running.
  platform.FindInstanceWindow();

  if (firstArgument == kSwitchUninstall) {
    platform.SendHandOff(HandOff::UninstallAndQuit);
    // Wait at most ten iterations of 100 ms for the running instance to go.
    for (int i = 0; i < 10; ++i) {
      if (!platform.InstanceWindowExists()) break;
      platform.Sleep(100);
    }
    return StartOutcome::Uninstalled;
  }

  auto handOver = [&] {
    if (firstArgument != kSwitchStart) platform.SendHandOff(HandOff::ShowWindow);
    return StartOutcome::Messenger;
  };

  if (platform.OpenInstanceMutex()) return handOver();

  // Two starts at the same moment can both miss the mutex above; the one that did not
  // create it first behaves as a messenger, so there is never a second instance.
  if (platform.CreateInstanceMutexFoundExisting()) {
    // The winner may not have created its window yet when we looked it up.
    for (int i = 0; i < 50 && !platform.FindInstanceWindow(); ++i) platform.Sleep(100);
    return handOver();
  }

  platform.RunInstance(firstArgument == kSwitchStart);
  return StartOutcome::Instance;
}

}  // namespace sweeplet
