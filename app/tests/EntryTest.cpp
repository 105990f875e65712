#include "app/Entry.h"

#include <gtest/gtest.h>

#include <deque>
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
  HandOffResult AskInstance(HandOff c, uintptr_t argument, intptr_t& reply) override {
    calls.push_back("ask" + std::to_string(static_cast<unsigned>(c)) + ":" + std::to_string(argument));
    if (!windowExists) return HandOffResult::NoWindow;
    std::deque<intptr_t>& replies = c == HandOff::Clean ? cleanReplies : resultReplies;
    if (replies.empty()) return HandOffResult::Failed;  // the copy stopped answering
    reply = replies.front();
    if (replies.size() > 1 || !repeatLastReply) replies.pop_front();
    return sendResult;
  }
  PurgeResult PurgeHere(uint32_t areas) override {
    calls.push_back("purge:" + std::to_string(areas));
    return purgeResult;
  }
  void ReportClean(const CleanReport& r) override {
    calls.push_back("report");
    report = r;
    ++reports;
  }

  // The copy's answers to Clean and to CleanResult, in turn; the last one stays when asked for.
  std::deque<intptr_t> cleanReplies{7};
  std::deque<intptr_t> resultReplies{EncodeCleanResult(true, 5)};
  bool repeatLastReply = false;
  PurgeResult purgeResult{6, 6, 123};
  CleanReport report;
  int reports = 0;

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
                      MessengerCase{L"/clean", {"find", "openmutex", "ask3:0", "ask4:7", "report"}},  // nothing to bring forward
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
// which never becomes the instance (nor takes the mutex a plain start would need). It ends when
// the cleaning has ended, and says how it went, once, in its report and its exit code.
struct CleanCase {
  const char* name;
  bool mutexExists;
  bool windowExists;
  int windowAfterFinds;
  HandOffResult sent;
  std::deque<intptr_t> cleanReplies, resultReplies;
  PurgeResult purged;
  Calls expected;
  StartOutcome outcome;
  int exitCode;
  uint64_t freed;
};

class EntryClean : public ::testing::TestWithParam<CleanCase> {};

TEST_P(EntryClean, CleansOnceThroughTheRunningCopyOrHere) {
  const CleanCase& c = GetParam();
  FakePlatform p;
  p.mutexExists = c.mutexExists;
  p.windowExists = c.windowExists;
  p.windowAfterFinds = c.windowAfterFinds;
  p.sendResult = c.sent;
  p.cleanReplies = c.cleanReplies;
  p.resultReplies = c.resultReplies;
  p.purgeResult = c.purged;
  const StartOutcome outcome = RunEntry(L"/clean", p);
  EXPECT_EQ(outcome, c.outcome);
  EXPECT_EQ(ExitCodeOf(outcome), c.exitCode);
  EXPECT_EQ(p.reports, 1);
  EXPECT_EQ(p.report.outcome, c.outcome);
  EXPECT_EQ(p.report.freed, c.freed);
  if (c.expected.empty()) {
    int sleeps = 0, finds = 0;
    for (const auto& call : p.calls) {
      sleeps += call == "sleep100";
      finds += call == "find";
      EXPECT_NE(call, "ask3:0") << "no window, nothing handed over";
    }
    EXPECT_EQ(sleeps, kWindowPolls);
    EXPECT_EQ(finds, kWindowPolls + 1);
    EXPECT_EQ(p.calls.back(), "report");
  } else {
    EXPECT_EQ(p.calls, c.expected);
  }
}

const PurgeResult kAllAccepted{6, 6, 123};
const PurgeResult kAllRefused{6, 0, 0};

INSTANTIATE_TEST_SUITE_P(
    Cases, EntryClean,
    ::testing::Values(
        CleanCase{"NothingRunning", false, false, 0, HandOffResult::Delivered, {}, {}, kAllAccepted,
                  {"find", "openmutex", "purge:0", "report"}, StartOutcome::CleanedHere, 0, 123},
        // Every request refused here (no privileges): the exit code says nothing was cleaned.
        CleanCase{"NothingRunningAllRefused", false, false, 0, HandOffResult::Delivered, {}, {}, kAllRefused,
                  {"find", "openmutex", "purge:0", "report"}, StartOutcome::NothingCleaned, 2, 0},
        // A window of our class without the mutex is not a copy of ours: this start cleans itself.
        CleanCase{"WindowWithoutMutex", false, true, 0, HandOffResult::Delivered, {}, {}, kAllAccepted,
                  {"find", "openmutex", "purge:0", "report"}, StartOutcome::CleanedHere, 0, 123},
        // Handed over, then asked until the copy's cleaning has ended.
        CleanCase{"HandedOver", true, true, 0, HandOffResult::Delivered, {7}, {kCleanPending, kCleanPending,
                  EncodeCleanResult(true, 4096)}, kAllAccepted,
                  {"find", "openmutex", "ask3:0", "ask4:7", "sleep100", "ask4:7", "sleep100", "ask4:7", "report"},
                  StartOutcome::Messenger, 0, 4096},
        CleanCase{"CopyRefusedEverything", true, true, 0, HandOffResult::Delivered, {9}, {EncodeCleanResult(false, 0)},
                  kAllAccepted, {"find", "openmutex", "ask3:0", "ask4:9", "report"}, StartOutcome::NothingCleaned, 2, 0},
        CleanCase{"CopyAlreadyCleaning", true, true, 0, HandOffResult::Delivered, {kCleanBusy}, {}, kAllAccepted,
                  {"find", "openmutex", "ask3:0", "report"}, StartOutcome::Busy, 3, 0},
        CleanCase{"CopyNeverAnswers", true, true, 0, HandOffResult::Failed, {7}, {}, kAllAccepted,
                  {"find", "openmutex", "ask3:0", "report"}, StartOutcome::HandOffFailed, 1, 0},
        // The copy has its window but takes nothing until its start-up is through.
        CleanCase{"CopyStillStarting", true, true, 0, HandOffResult::Delivered, {0, 0, 7}, {EncodeCleanResult(true, 1)},
                  kAllAccepted,
                  {"find", "openmutex", "ask3:0", "sleep100", "ask3:0", "sleep100", "ask3:0", "ask4:7", "report"},
                  StartOutcome::Messenger, 0, 1},
        // It closes, or stops answering, before its cleaning is over: nobody can say it cleaned.
        CleanCase{"CopyGoesDuringTheCleaning", true, true, 0, HandOffResult::Delivered, {7}, {kCleanPending}, kAllAccepted,
                  {"find", "openmutex", "ask3:0", "ask4:7", "sleep100", "ask4:7", "report"}, StartOutcome::HandOffFailed, 1, 0},
        CleanCase{"CopyForgotTheTicket", true, true, 0, HandOffResult::Delivered, {7}, {kCleanUnknownTicket}, kAllAccepted,
                  {"find", "openmutex", "ask3:0", "ask4:7", "report"}, StartOutcome::HandOffFailed, 1, 0},
        // The copy is still starting: its window is awaited, then handed the cleaning.
        CleanCase{"WindowComesLater", true, false, 2, HandOffResult::Delivered, {7}, {EncodeCleanResult(true, 0)},
                  kAllAccepted,
                  {"find", "openmutex", "sleep100", "find", "sleep100", "find", "ask3:0", "ask4:7", "report"},
                  StartOutcome::Messenger, 0, 0},
        // It never shows a window: nothing was cleaned, and the exit code says so (calls checked above).
        CleanCase{"WindowNeverComes", true, false, 0, HandOffResult::Delivered, {7}, {}, kAllAccepted, {},
                  StartOutcome::HandOffFailed, 1, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// The wait for the copy's cleaning is bounded: a cleaning that never ends fails the hand-off.
TEST(Entry, CleanWaitsForTheCopyOnlySoLong) {
  FakePlatform p;
  p.mutexExists = true;
  p.windowExists = true;
  p.resultReplies = {kCleanPending};
  p.repeatLastReply = true;
  EXPECT_EQ(RunEntry(L"/clean", p), StartOutcome::HandOffFailed);
  int asks = 0, sleeps = 0;
  for (const auto& call : p.calls) {
    asks += call == "ask4:7";
    sleeps += call == "sleep100";
  }
  EXPECT_EQ(asks, kCleanPolls + 1);
  EXPECT_EQ(sleeps, kCleanPolls);
  EXPECT_EQ(p.calls.back(), "report");
}

TEST(Entry, CleanResultsKeepTheirAmountAndOutcome) {
  EXPECT_EQ(EncodeCleanResult(true, 0), 1);
  EXPECT_EQ(EncodeCleanResult(false, 0), 2);
  EXPECT_EQ(EncodeCleanResult(true, 3), 13);
  // However large the amount, the answer stays positive: never taken for "pending" or "unknown".
  EXPECT_GT(EncodeCleanResult(true, UINT64_MAX), 0);
  EXPECT_EQ(EncodeCleanResult(true, UINT64_MAX) & 3, 1);
}

// "/clean" takes one option, "/areas:" with known names; anything else is refused before anything
// is looked at or cleaned.
struct OptionsCase {
  const char* name;
  std::vector<std::wstring> options;
  std::optional<uint32_t> areas;
  std::wstring bad;
};

class CleanOptions : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(CleanOptions, ChooseAreasOrAreRefused) {
  const OptionsCase& c = GetParam();
  std::wstring bad;
  EXPECT_EQ(ParseCleanOptions(c.options, bad), c.areas);
  EXPECT_EQ(bad, c.bad);

  FakePlatform p;
  const StartOutcome outcome = RunEntry(L"/clean", p, c.options);
  if (c.areas) {
    EXPECT_EQ(p.calls, (Calls{"find", "openmutex", "purge:" + std::to_string(*c.areas), "report"}));
    EXPECT_EQ(ExitCodeOf(outcome), 0);
  } else {
    EXPECT_EQ(outcome, StartOutcome::BadOption);
    EXPECT_EQ(ExitCodeOf(outcome), 4);
    EXPECT_EQ(p.calls, (Calls{"find", "report"}));
    EXPECT_EQ(p.report.badOption, c.bad);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Options, CleanOptions,
    ::testing::Values(
        OptionsCase{"None", {}, 0u, L""},
        OptionsCase{"TwoAreas", {L"/areas:workingsets,standby-low"}, kAreaWorkingSets | kAreaStandbyLowPriority, L""},
        OptionsCase{"EveryArea", {L"/areas:combine,modified,standby,standby-low,workingsets,filecache"}, kAllPurgeAreas, L""},
        OptionsCase{"Repeated", {L"/areas:standby,standby"}, kAreaStandby, L""},
        OptionsCase{"UnknownName", {L"/areas:workingsets,everything"}, std::nullopt, L"everything"},
        OptionsCase{"LetterCase", {L"/areas:WorkingSets"}, std::nullopt, L"WorkingSets"},
        OptionsCase{"Empty", {L"/areas:"}, std::nullopt, L"/areas:"},
        OptionsCase{"TrailingComma", {L"/areas:standby,"}, std::nullopt, L"/areas:standby,"},
        OptionsCase{"SpaceInside", {L"/areas:standby, modified"}, std::nullopt, L" modified"},
        OptionsCase{"NotAscii", {L"/areas:standb\u00fd"}, std::nullopt, L"standb\u00fd"},
        OptionsCase{"OtherOption", {L"/quiet"}, std::nullopt, L"/quiet"},
        OptionsCase{"MisspeltOption", {L"/area:standby"}, std::nullopt, L"/area:standby"},
        OptionsCase{"SecondOption", {L"/areas:standby", L"/areas:modified"}, std::nullopt, L"/areas:modified"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Entry, CleanHandsTheChosenAreasToTheCopy) {
  FakePlatform p;
  p.mutexExists = true;
  p.windowExists = true;
  const std::vector<std::wstring> options = {L"/areas:modified,filecache"};
  EXPECT_EQ(RunEntry(L"/clean", p, options), StartOutcome::Messenger);
  EXPECT_EQ(p.calls, (Calls{"find", "openmutex", "ask3:17", "ask4:7", "report"}));
}

// Only "/clean" reads what follows the first argument.
TEST(Entry, OtherSwitchesIgnoreFurtherArguments) {
  FakePlatform p;
  const std::vector<std::wstring> options = {L"/areas:nonsense"};
  EXPECT_EQ(RunEntry(L"/start", p, options), StartOutcome::Instance);
  EXPECT_EQ(p.reports, 0);
}

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

namespace sweeplet {
namespace {

// The console line says what happened, in the user's language and number separators.
TEST(CleanLine, SaysTheAmountOrWhyNothingWasFreed) {
  const CleanLineTexts texts{"Freed: %s", "Nothing more to free.", "Nothing could be cleaned.", "Already cleaning.",
                             "The running copy could not be reached.", "Unknown area or option: %s"};
  const NumberSeparators separators{".", ","};
  auto line = [&](StartOutcome outcome, uint64_t freed = 0, std::wstring bad = L"") {
    return CleanReportLine(CleanReport{outcome, freed, std::move(bad)}, texts, separators);
  };
  EXPECT_EQ(line(StartOutcome::Messenger, uint64_t{1234} << 20), "Freed: 1.234 MB");
  EXPECT_EQ(line(StartOutcome::CleanedHere, 5u << 20), "Freed: 5 MB");
  EXPECT_EQ(line(StartOutcome::CleanedHere, 100), "Nothing more to free.");
  EXPECT_EQ(line(StartOutcome::NothingCleaned), "Nothing could be cleaned.");
  EXPECT_EQ(line(StartOutcome::Busy), "Already cleaning.");
  EXPECT_EQ(line(StartOutcome::HandOffFailed), "The running copy could not be reached.");
  EXPECT_EQ(line(StartOutcome::BadOption, 0, L"standb\u00fd"), "Unknown area or option: standb\xC3\xBD");
  // What a caller passed is cut to a line's length.
  EXPECT_EQ(line(StartOutcome::BadOption, 0, std::wstring(500, L'x')), "Unknown area or option: " + std::string(80, 'x'));
}

}  // namespace
}  // namespace sweeplet
