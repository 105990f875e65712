#include "app/Entry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sweeplet {
namespace {

// Records what the entry asks of the platform, as a readable script.
class FakePlatform : public IEntryPlatform {
 public:
  bool windowExists = false;
  int windowAfterFinds = 0;        // the window shows up only at this many lookups after the first
  bool processOpens = true;        // the window's process can be opened to wait on
  int processEndsAfterChecks = -1; // the process ends after this many checks (-1: never)
  bool hung = false;
  HandOffResult sendResult = HandOffResult::Delivered;
  bool mutexExists = false;
  bool mutexRace = false;
  std::vector<std::string> calls;

  bool FindInstanceWindow() override {
    calls.push_back("find");
    if (windowAfterFinds > 0 && finds_++ == windowAfterFinds) windowExists = true;
    return windowExists;
  }
  HandOffResult SendHandOff(HandOff c) override {
    calls.push_back("send" + std::to_string(static_cast<unsigned>(c)));
    return windowExists ? sendResult : HandOffResult::NoWindow;
  }
  void AllowInstanceForeground() override { calls.push_back("allowfg"); }
  bool WatchInstanceProcess() override {
    calls.push_back("watch");
    return windowExists && processOpens;
  }
  bool InstanceProcessRunning() override {
    calls.push_back("alive");
    if (processEndsAfterChecks >= 0 && processEndsAfterChecks-- == 0) processRunning_ = false;
    return processRunning_;
  }
  bool InstanceHung() override {
    calls.push_back("hung");
    return hung;
  }
  void Sleep(unsigned ms) override { calls.push_back("sleep" + std::to_string(ms)); }
  bool OpenInstanceMutex() override {
    calls.push_back("openmutex");
    return mutexExists;
  }
  bool CreateInstanceMutexFoundExisting() override {
    calls.push_back("createmutex");
    return mutexRace;
  }
  void RunInstance(bool hidden) override { calls.push_back(hidden ? "run-hidden" : "run-shown"); }
  void PurgeHere() override { calls.push_back("purge"); }

 private:
  bool processRunning_ = true;
  int finds_ = 0;
};

using Calls = std::vector<std::string>;

TEST(Entry, FirstPlainStartBecomesTheShownInstance) {
  FakePlatform p;
  EXPECT_EQ(RunEntry(L"", p), StartOutcome::Instance);
  EXPECT_EQ(p.calls, (Calls{"find", "openmutex", "createmutex", "run-shown"}));
}

TEST(Entry, FirstStartWithStartSwitchRunsHidden) {
  FakePlatform p;
  RunEntry(L"/start", p);
  EXPECT_EQ(p.calls.back(), "run-hidden");
}

struct MessengerCase {
  const wchar_t* argument;
  Calls expected;
};

class EntryMessenger : public ::testing::TestWithParam<MessengerCase> {};

TEST_P(EntryMessenger, HandsOverToTheRunningInstance) {
  FakePlatform p;
  p.windowExists = true;
  p.mutexExists = true;
  EXPECT_EQ(RunEntry(GetParam().argument, p), StartOutcome::Messenger);
  EXPECT_EQ(p.calls, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, EntryMessenger,
    ::testing::Values(MessengerCase{L"", {"find", "openmutex", "allowfg", "send1"}},
                      MessengerCase{L"/start", {"find", "openmutex"}},                     // silent
                      MessengerCase{L"/inst", {"find", "openmutex", "allowfg", "send1"}},  // only shows the window
                      MessengerCase{L"/START", {"find", "openmutex", "allowfg", "send1"}}, // letter case differs: plain
                      MessengerCase{L"/start ", {"find", "openmutex", "allowfg", "send1"}},
                      MessengerCase{L"start", {"find", "openmutex", "allowfg", "send1"}},
                      MessengerCase{L"/clean", {"find", "openmutex", "send3"}},  // nothing to bring forward
                      MessengerCase{L"/Clean", {"find", "openmutex", "allowfg", "send1"}},
                      MessengerCase{L"/clean ", {"find", "openmutex", "allowfg", "send1"}},
                      MessengerCase{L"-clean", {"find", "openmutex", "allowfg", "send1"}}));

// A running copy that does not answer in time (hung, or another program on our name): the start
// ends with a non-zero code and starts nothing; without a window it ends quietly as before.
struct ShowResultCase {
  HandOffResult sent;
  bool windowExists;
  StartOutcome expected;
  int exitCode;
};

class EntryShowResult : public ::testing::TestWithParam<ShowResultCase> {};

TEST_P(EntryShowResult, DecidesTheOutcomeAndStartsNothing) {
  FakePlatform p;
  p.mutexExists = true;
  p.windowExists = GetParam().windowExists;
  p.sendResult = GetParam().sent;
  const StartOutcome outcome = RunEntry(L"", p);
  EXPECT_EQ(outcome, GetParam().expected);
  EXPECT_EQ(ExitCodeOf(outcome), GetParam().exitCode);
  for (const auto& c : p.calls) EXPECT_NE(c.substr(0, 3), "run");
}

INSTANTIATE_TEST_SUITE_P(
    Results, EntryShowResult,
    ::testing::Values(ShowResultCase{HandOffResult::Delivered, true, StartOutcome::Messenger, 0},
                      ShowResultCase{HandOffResult::Failed, true, StartOutcome::HandOffFailed, 1},
                      ShowResultCase{HandOffResult::Delivered, false, StartOutcome::Messenger, 0}));

// "/clean" cleans once and ends: through the running copy when there is one, else in this start,
// which never becomes the instance (nor takes the mutex a plain start would need).
struct CleanCase {
  const char* name;
  bool mutexExists;
  bool windowExists;
  int windowAfterFinds;
  HandOffResult sent;
  Calls expected;
  StartOutcome outcome;
  int exitCode;
};

class EntryClean : public ::testing::TestWithParam<CleanCase> {};

TEST_P(EntryClean, CleansOnceThroughTheRunningCopyOrHere) {
  const CleanCase& c = GetParam();
  FakePlatform p;
  p.mutexExists = c.mutexExists;
  p.windowExists = c.windowExists;
  p.windowAfterFinds = c.windowAfterFinds;
  p.sendResult = c.sent;
  const StartOutcome outcome = RunEntry(L"/clean", p);
  EXPECT_EQ(outcome, c.outcome);
  EXPECT_EQ(ExitCodeOf(outcome), c.exitCode);
  if (c.expected.empty()) {
    int sleeps = 0, finds = 0;
    for (const auto& call : p.calls) {
      sleeps += call == "sleep100";
      finds += call == "find";
    }
    EXPECT_EQ(sleeps, kWindowPolls);
    EXPECT_EQ(finds, kWindowPolls + 1);
    EXPECT_EQ(p.calls.back(), "send3");
  } else {
    EXPECT_EQ(p.calls, c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EntryClean,
    ::testing::Values(
        CleanCase{"NothingRunning", false, false, 0, HandOffResult::Delivered, {"find", "openmutex", "purge"},
                  StartOutcome::CleanedHere, 0},
        // A window of our class without the mutex is not a copy of ours: this start cleans itself.
        CleanCase{"WindowWithoutMutex", false, true, 0, HandOffResult::Delivered, {"find", "openmutex", "purge"},
                  StartOutcome::CleanedHere, 0},
        CleanCase{"HandedOver", true, true, 0, HandOffResult::Delivered, {"find", "openmutex", "send3"},
                  StartOutcome::Messenger, 0},
        CleanCase{"CopyNeverAnswers", true, true, 0, HandOffResult::Failed, {"find", "openmutex", "send3"},
                  StartOutcome::HandOffFailed, 1},
        // The copy is still starting: its window is awaited, then handed the cleaning.
        CleanCase{"WindowComesLater", true, false, 2, HandOffResult::Delivered,
                  {"find", "openmutex", "sleep100", "find", "sleep100", "find", "send3"}, StartOutcome::Messenger, 0},
        // It never shows a window: nothing was cleaned, and the exit code says so (calls checked above).
        CleanCase{"WindowNeverComes", true, false, 0, HandOffResult::Delivered, {}, StartOutcome::HandOffFailed, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Entry, UninstallWithNothingRunningEndsWithoutSleeping) {
  FakePlatform p;
  EXPECT_EQ(RunEntry(L"/uninst", p), StartOutcome::Uninstalled);
  EXPECT_EQ(p.calls, (Calls{"find", "watch", "send2"}));
}

TEST(Entry, UninstallOpensTheProcessBeforeSendingAndReturnsOnceItHasEnded) {
  FakePlatform p;
  p.windowExists = true;
  p.processEndsAfterChecks = 2;
  EXPECT_EQ(RunEntry(L"/uninst", p), StartOutcome::Uninstalled);
  EXPECT_EQ(p.calls, (Calls{"find", "watch", "send2", "alive", "sleep100", "alive", "sleep100", "alive"}));
}

// How the send went decides whether a hung window ends the wait; the process's end decides the rest.
struct UninstallCase {
  const char* name;
  HandOffResult sent;
  bool hung;
  int processEndsAfterChecks;
  StartOutcome expected;
  int sleeps;
};

class EntryUninstall : public ::testing::TestWithParam<UninstallCase> {};

TEST_P(EntryUninstall, WaitsForTheProcessAsLongAsItMayStillEnd) {
  const UninstallCase& c = GetParam();
  FakePlatform p;
  p.windowExists = true;
  p.sendResult = c.sent;
  p.hung = c.hung;
  p.processEndsAfterChecks = c.processEndsAfterChecks;
  const StartOutcome outcome = RunEntry(L"/uninst", p);
  EXPECT_EQ(outcome, c.expected);
  int sleeps = 0;
  for (const auto& call : p.calls) {
    sleeps += call == "sleep100";
    EXPECT_NE(call, "openmutex");
    EXPECT_NE(call.substr(0, 3), "run") << "never starts an instance";
  }
  EXPECT_EQ(sleeps, c.sleeps);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EntryUninstall,
    ::testing::Values(
        // A copy that never ends: the wait is bounded and the start reports the failure.
        UninstallCase{"NeverEnds", HandOffResult::Delivered, false, -1, StartOutcome::HandOffFailed, kUninstallPolls},
        // Delivered: the copy is closing, and a moment without answering does not cut the wait.
        UninstallCase{"DeliveredLooksHung", HandOffResult::Delivered, true, 5, StartOutcome::Uninstalled, 5},
        // Timed out but still pumping (a cleaning job first): the message is handled later.
        UninstallCase{"BusyThenEnds", HandOffResult::Failed, false, 7, StartOutcome::Uninstalled, 7},
        // Timed out and hung: it will not end because of us; no waiting.
        UninstallCase{"Hung", HandOffResult::Failed, true, -1, StartOutcome::HandOffFailed, 0},
        // Ends exactly on the last check.
        UninstallCase{"EndsAtTheLastCheck", HandOffResult::Delivered, false, kUninstallPolls, StartOutcome::Uninstalled,
                      kUninstallPolls}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Entry, UninstallWhoseProcessCannotBeOpenedReportsOnlyTheSend) {
  for (const HandOffResult sent : {HandOffResult::Delivered, HandOffResult::Failed}) {
    FakePlatform p;
    p.windowExists = true;
    p.processOpens = false;
    p.sendResult = sent;
    EXPECT_EQ(RunEntry(L"/uninst", p),
              sent == HandOffResult::Failed ? StartOutcome::HandOffFailed : StartOutcome::Uninstalled);
    EXPECT_EQ(p.calls, (Calls{"find", "watch", "send2"}));
  }
}

TEST(Entry, AStartThatLosesTheMutexRaceBecomesAMessenger) {
  FakePlatform p;
  p.mutexRace = true;
  p.windowExists = true;
  EXPECT_EQ(RunEntry(L"", p), StartOutcome::Messenger);
  EXPECT_EQ(p.calls, (Calls{"find", "openmutex", "createmutex", "find", "allowfg", "send1"}));
}

TEST(Entry, ALosingStartWithStartSwitchStaysSilent) {
  FakePlatform p;
  p.mutexRace = true;
  p.windowExists = true;
  RunEntry(L"/start", p);
  EXPECT_EQ(p.calls.back(), "find");
}

}  // namespace
}  // namespace sweeplet
