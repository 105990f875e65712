#include "app/Entry.h"

#include "app/Switches.h"

namespace sweeplet {
namespace {

StartOutcome Uninstall(IEntryPlatform& platform) {
  // Opened before the message goes: the copy may end before the send returns, and the process
  // id could then be another's.
  if (!platform.WatchInstanceProcess()) {
    // No window, or one whose process we may not open: nothing to wait for.
    return platform.SendHandOff(HandOff::UninstallAndQuit) == HandOffResult::Failed ? StartOutcome::HandOffFailed
                                                                                     : StartOutcome::Uninstalled;
  }
  const HandOffResult sent = platform.SendHandOff(HandOff::UninstallAndQuit);
  // Returns once the process has ended, not just its window: the installer replaces the file next.
  for (int i = 0; i < kUninstallPolls; ++i) {
    if (!platform.InstanceProcessRunning()) return StartOutcome::Uninstalled;
    // A copy busy with a job times the send out but still handles it; a hung one never will.
    if (sent != HandOffResult::Delivered && platform.InstanceHung()) return StartOutcome::HandOffFailed;
    platform.Sleep(kUninstallPollMs);
  }
  return platform.InstanceProcessRunning() ? StartOutcome::HandOffFailed : StartOutcome::Uninstalled;
}

// "/clean": the running copy cleans, or this start does, and never becomes an instance. It does not
// create the mutex either: a plain start at the same moment must still become the instance.
StartOutcome CleanOnce(bool windowFound, IEntryPlatform& platform) {
  if (!platform.OpenInstanceMutex()) {
    platform.PurgeHere();
    return StartOutcome::CleanedHere;
  }
  for (int i = 0; i < kWindowPolls && !windowFound; ++i) {
    platform.Sleep(kWindowPollMs);
    windowFound = platform.FindInstanceWindow();
  }
  // A copy that never showed its window has not cleaned: that is a failed hand-off too.
  return platform.SendHandOff(HandOff::Clean) == HandOffResult::Delivered ? StartOutcome::Messenger
                                                                            : StartOutcome::HandOffFailed;
}

}  // namespace

StartOutcome RunEntry(std::wstring_view firstArgument, IEntryPlatform& platform) {
  // The window lookup comes first, before anything else can change what is running.
  const bool windowFound = platform.FindInstanceWindow();

  if (firstArgument == kSwitchUninstall) return Uninstall(platform);
  if (firstArgument == kSwitchClean) return CleanOnce(windowFound, platform);

  auto handOver = [&] {
    if (firstArgument == kSwitchStart) return StartOutcome::Messenger;
    platform.AllowInstanceForeground();
    return platform.SendHandOff(HandOff::ShowWindow) == HandOffResult::Failed ? StartOutcome::HandOffFailed
                                                                                : StartOutcome::Messenger;
  };

  if (platform.OpenInstanceMutex()) return handOver();

  // Two starts at the same moment can both miss the mutex above; the one that did not
  // create it first behaves as a messenger, so there is never a second instance.
  if (platform.CreateInstanceMutexFoundExisting()) {
    // The winner may not have created its window yet when we looked it up.
    for (int i = 0; i < kWindowPolls && !platform.FindInstanceWindow(); ++i) platform.Sleep(kWindowPollMs);
    return handOver();
  }

  platform.RunInstance(firstArgument == kSwitchStart);
  return StartOutcome::Instance;
}

}  // namespace sweeplet
