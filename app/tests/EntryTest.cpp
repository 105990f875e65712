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
  int windowGoesAfterChecks = -1;  // IsWindow turns false after this many checks (-1: never)
  bool mutexExists = false;
  bool mutexRace = false;
  std::vector<std::string> calls;

  bool FindInstanceWindow() override {
    calls.push_back("find");
    return windowExists;
  }
  void SendHandOff(HandOff c) override { calls.push_back("send" + std::to_string(static_cast<unsigned>(c))); }
  bool InstanceWindowExists() override {
    calls.push_back("iswindow");
    if (windowGoesAfterChecks >= 0 && windowGoesAfterChecks-- == 0) windowExists = false;
    return windowExists;
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
    ::testing::Values(MessengerCase{L"", {"find", "openmutex", "send1"}},
                      MessengerCase{L"/start", {"find", "openmutex"}},          // silent
                      MessengerCase{L"/inst", {"find", "openmutex", "send1"}},  // only shows the window
                      MessengerCase{L"/START", {"find", "openmutex", "send1"}}, // letter case differs: plain
                      MessengerCase{L"/start ", {"find", "openmutex", "send1"}},
                      MessengerCase{L"start", {"find", "openmutex", "send1"}}));

TEST(Entry, UninstallWithNothingRunningEndsWithoutSleeping) {
  FakePlatform p;
  EXPECT_EQ(RunEntry(L"/uninst", p), StartOutcome::Uninstalled);
  EXPECT_EQ(p.calls, (Calls{"find", "send2", "iswindow"}));
}

TEST(Entry, UninstallReturnsAsSoonAsTheWindowIsGone) {
  FakePlatform p;
  p.windowExists = true;
  p.windowGoesAfterChecks = 2;
  RunEntry(L"/uninst", p);
  EXPECT_EQ(p.calls, (Calls{"find", "send2", "iswindow", "sleep100", "iswindow", "sleep100", "iswindow"}));
}

TEST(Entry, UninstallWaitsAtMostTenIterationsAndNeverStartsAnInstance) {
  FakePlatform p;
  p.windowExists = true;
  RunEntry(L"/uninst", p);
  int sleeps = 0;
  for (const auto& c : p.calls) {
    sleeps += c == "sleep100";
    EXPECT_NE(c, "openmutex");
    EXPECT_NE(c.substr(0, 3), "run");
  }
  EXPECT_EQ(sleeps, 10);
  EXPECT_EQ(p.calls.back(), "sleep100");  // no check after the tenth sleep
}

TEST(Entry, AStartThatLosesTheMutexRaceBecomesAMessenger) {
  FakePlatform p;
  p.mutexRace = true;
  p.windowExists = true;
  EXPECT_EQ(RunEntry(L"", p), StartOutcome::Messenger);
  EXPECT_EQ(p.calls, (Calls{"find", "openmutex", "createmutex", "find", "send1"}));
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
