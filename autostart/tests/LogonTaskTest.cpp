#include "autostart/LogonTask.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cwctype>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "autostart/tests/FakeTaskScheduler.h"
#include "common/ComInit.h"
#include "common/Utf.h"

namespace sweeplet {
namespace {

using testing::FakeDefinition;
using testing::FakeScheduler;
using testing::WatchedScheduler;
using Calls = std::vector<std::string>;
using Folder = std::map<std::wstring, FakeDefinition>;

constexpr wchar_t kName[] = L"SweepletTaskMachine";

static_assert(noexcept(SetLogonTask(kName, true, 0, SystemTaskScheduler())) &&
                  noexcept(LogonTaskExists(kName, SystemTaskScheduler())) &&
                  noexcept(FindLogonTask(kName, SystemTaskScheduler())) &&
                  noexcept(std::declval<const LogonTaskSwitch&>().Set(true, 0)) &&
                  noexcept(std::declval<const LogonTaskSwitch&>().Exists()) &&
                  noexcept(std::declval<const LogonTaskSwitch&>().Find()),
              "failures never leave the logon task's operations");

std::wstring ThisExe() {
  std::wstring path(32768, L'\0');
  path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path;
}
std::wstring ThisExeDirectory() {
  return std::filesystem::path(ThisExe()).parent_path().wstring() + L"\\";
}

FakeDefinition LogonDefinition(std::optional<std::wstring> delay) {
  FakeDefinition d;
  d.runLevel = TASK_RUNLEVEL_HIGHEST;
  d.triggers = {{TASK_TRIGGER_LOGON, delay}};
  d.actions = {{TASK_ACTION_EXEC, ThisExe(), ThisExeDirectory(), L"/start"}};
  d.startWhenAvailable = VARIANT_TRUE;
  d.executionTimeLimit = L"PT0S";
  d.stopOnIdleEnd = VARIANT_FALSE;
  d.disallowStartIfOnBatteries = VARIANT_FALSE;
  d.stopIfGoingOnBatteries = VARIANT_FALSE;
  d.priority = 4;
  return d;
}

const Calls kConnect = {
    "CoInitializeSecurity(null,-1,null,null,4,3,null,0,null)",
    "CreateTaskService",
    "Service.Connect(empty,empty,empty,empty)",
    "Service.GetFolder(\\)",
};

Calls Then(Calls calls, const Calls& more) {
  calls.insert(calls.end(), more.begin(), more.end());
  return calls;
}

Calls RegistrationCalls(const std::optional<std::string>& delay) {
  Calls calls = Then(kConnect, {"Service.NewTask(0)", "Definition.get_Principal", "Principal.put_RunLevel(1)",
                                "Definition.get_Triggers", "Triggers.Create(9)"});
  if (delay) calls = Then(calls, {"Trigger.QueryInterface(ILogonTrigger)", "LogonTrigger.put_Delay(" + *delay + ")"});
  return Then(calls, {
                         "Definition.get_Actions",
                         "Actions.Create(0)",
                         "Action.QueryInterface(IExecAction)",
                         "ExecAction.put_Path(" + Narrow(ThisExe()) + ")",
                         "ExecAction.put_WorkingDirectory(" + Narrow(ThisExeDirectory()) + ")",
                         "ExecAction.put_Arguments(/start)",
                         "Definition.get_Settings",
                         "Settings.put_StartWhenAvailable(-1)",
                         "Definition.get_Settings",
                         "Settings.put_ExecutionTimeLimit(PT0S)",
                         "Definition.get_Settings",
                         "Settings.get_IdleSettings",
                         "IdleSettings.put_StopOnIdleEnd(0)",
                         "Definition.get_Settings",
                         "Settings.put_DisallowStartIfOnBatteries(0)",
                         "Definition.get_Settings",
                         "Settings.put_StopIfGoingOnBatteries(0)",
                         "Definition.get_Settings",
                         "Settings.put_Priority(4)",
                         "Folder.RegisterTaskDefinition(SweepletTaskMachine,6,empty,empty,3,'')",
                     });
}

// Looking through the root folder's tasks up to and including the n-th (1-based).
Calls ListingCalls(int upTo) {
  Calls calls = Then(kConnect, {"Folder.GetTasks(0)", "Tasks.get_Count"});
  for (int i = 1; i <= upTo; ++i) calls = Then(calls, {"Tasks.get_Item(i4:" + std::to_string(i) + ")", "Task.get_Name"});
  return calls;
}

// Callers open COM around every call; the fake stands in for the Task Scheduler.
class LogonTaskTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(0, FakeScheduler::LiveObjects()) << "a COM reference was not released"; }
  void Restart(const Folder& root) {
    scheduler_.calls.clear();
    scheduler_.Root() = root;
    scheduler_.brokeWithoutObject = false;
  }

  ComInit com_;
  FakeScheduler scheduler_;
};

TEST_F(LogonTaskTest, RegistrationBuildsTheDefinitionCallByCallWithADelayOnlyAboveZero) {
  const struct {
    int seconds;
    std::optional<std::string> delay;
  } cases[] = {
      {60, "PT1M"}, {90, "PT1M30S"}, {1, "PT1S"}, {3600, "PT60M"}, {0, std::nullopt}, {-1, std::nullopt},
      {-60, std::nullopt}, {INT_MIN, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seconds);
    Restart({});
    SetLogonTask(kName, true, c.seconds, scheduler_);
    EXPECT_EQ(RegistrationCalls(c.delay), scheduler_.calls);
    const std::optional<std::wstring> delay = c.delay ? std::optional(Widen(*c.delay)) : std::nullopt;
    EXPECT_EQ((Folder{{kName, LogonDefinition(delay)}}), scheduler_.Root());
  }
}

// The scheduler's default, 7, is a background level: below-normal CPU, I/O and memory priority
// for the copy that nearly every user runs. 4 to 6 are the interactive levels.
TEST_F(LogonTaskTest, TheRegisteredTaskRunsAtAnInteractivePriority) {
  for (const int delay : {0, 60}) {
    Restart({});
    SetLogonTask(kName, true, delay, scheduler_);
    ASSERT_EQ(1u, scheduler_.Root().count(kName));
    const std::optional<int> priority = scheduler_.Root().at(kName).priority;
    ASSERT_TRUE(priority.has_value()) << "left at the scheduler's default";
    EXPECT_GE(*priority, 4);
    EXPECT_LE(*priority, 5);
  }
}

TEST_F(LogonTaskTest, RegisteringTwiceLeavesOneTaskWithTheSecondDefinition) {
  const FakeDefinition other = LogonDefinition(L"PT5M");
  Restart({{L"Other", other}});
  SetLogonTask(kName, true, 60, scheduler_);
  // Security can be set once per process; later calls hear it is too late and carry on.
  scheduler_.securityResult = RPC_E_TOO_LATE;
  SetLogonTask(kName, true, 0, scheduler_);
  EXPECT_EQ((Folder{{L"Other", other}, {kName, LogonDefinition(std::nullopt)}}), scheduler_.Root());
}

TEST_F(LogonTaskTest, OnlySuccessOrTooLateFromComSecurityLetsTheOperationProceed) {
  const struct {
    HRESULT result;
    bool proceeds;
  } cases[] = {
      {S_OK, true},
      {S_FALSE, true},
      {RPC_E_TOO_LATE, true},
      {E_ACCESSDENIED, false},
      {E_OUTOFMEMORY, false},
      {RPC_E_NO_GOOD_SECURITY_PACKAGES, false},
      {CO_E_NOTINITIALIZED, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.result);
    scheduler_.securityResult = c.result;
    const Calls stopped = {kConnect.front()};

    Restart({});
    SetLogonTask(kName, true, 0, scheduler_);
    EXPECT_EQ(c.proceeds ? RegistrationCalls(std::nullopt) : stopped, scheduler_.calls);
    EXPECT_EQ(c.proceeds, scheduler_.Root().count(kName) == 1);

    Restart({{kName, {}}});
    EXPECT_EQ(c.proceeds, LogonTaskExists(kName, scheduler_));
    SetLogonTask(kName, false, 0, scheduler_);
    EXPECT_EQ(!c.proceeds, scheduler_.Root().count(kName) == 1);
  }
}

TEST_F(LogonTaskTest, RemovalDeletesOnlyTheTaskOfExactlyThatNameAndStopsThere) {
  // Listed in this order: "Other", "SWEEPLETTASKMACHINE", "SweepletTaskMachine", ...
  const Folder root = {{L"Other", {}},
                       {L"SWEEPLETTASKMACHINE", {}},
                       {kName, {}},
                       {L"SweepletTaskMachine2", {}},
                       {L"sweeplettaskmachine", {}}};
  Restart(root);
  SetLogonTask(kName, false, 0, scheduler_);
  EXPECT_EQ(Then(ListingCalls(3), {"Folder.DeleteTask(SweepletTaskMachine,0)"}), scheduler_.calls);
  Folder expected = root;
  expected.erase(kName);
  EXPECT_EQ(expected, scheduler_.Root());
}

TEST_F(LogonTaskTest, ATaskWhoseNameDiffersOnlyInCaseIsNeitherFoundNorDeleted) {
  const Folder root = {{L"SWEEPLETTASKMACHINE", {}}, {L"SweepletTaskmachine", {}}, {L"sweeplettaskmachine", {}}};
  Restart(root);
  EXPECT_FALSE(LogonTaskExists(kName, scheduler_));
  EXPECT_EQ(ListingCalls(3), scheduler_.calls);

  Restart(root);
  SetLogonTask(kName, false, 0, scheduler_);
  EXPECT_EQ(ListingCalls(3), scheduler_.calls) << "nothing is deleted";
  EXPECT_EQ(root, scheduler_.Root());
}

TEST_F(LogonTaskTest, OnlyTheRootFolderIsSearched) {
  scheduler_.folders[L"\\Orvane"] = {{kName, {}}};
  Restart({{L"Other", {}}});
  EXPECT_FALSE(LogonTaskExists(kName, scheduler_));
  SetLogonTask(kName, false, 0, scheduler_);
  EXPECT_EQ(1u, scheduler_.folders.at(L"\\Orvane").count(kName)) << "the task in the sub-folder stays";
  for (const std::string& call : scheduler_.calls) {
    if (call.rfind("Service.GetFolder", 0) == 0) {
      EXPECT_EQ("Service.GetFolder(\\)", call);
    }
  }
}

TEST_F(LogonTaskTest, LookupAnswersWhetherTheTaskIsListedAndStopsAtTheFirstMatch) {
  Restart({{L"A", {}}, {kName, {}}, {L"Z", {}}});
  EXPECT_TRUE(LogonTaskExists(kName, scheduler_));
  EXPECT_EQ(ListingCalls(2), scheduler_.calls) << "the search ends at the match and changes nothing";
  EXPECT_EQ(3u, scheduler_.Root().size());

  Restart({});
  EXPECT_FALSE(LogonTaskExists(kName, scheduler_));
  EXPECT_EQ(ListingCalls(0), scheduler_.calls);
}

TEST_F(LogonTaskTest, RemovingATaskThatIsNotThereDoesNothing) {
  Restart({{L"Other", {}}});
  SetLogonTask(kName, false, 0, scheduler_);
  EXPECT_EQ(ListingCalls(1), scheduler_.calls);
  EXPECT_EQ((Folder{{L"Other", {}}}), scheduler_.Root());
}

// Every call, in turn, fails (or succeeds without handing out its object): the operation ends right
// there, nothing escapes, and the task registered before stays exactly as it was.
TEST_F(LogonTaskTest, AFailureAtAnyStepEndsRegistrationAndKeepsTheEarlierTask) {
  Restart({});
  SetLogonTask(kName, true, 60, scheduler_);
  const Folder earlier = scheduler_.Root();
  ASSERT_EQ(1u, earlier.size());
  const Calls full = RegistrationCalls(std::nullopt);

  const struct {
    FakeScheduler::Mode mode;
    HRESULT failWith;
  } kinds[] = {{FakeScheduler::Mode::Fail, E_FAIL},
               {FakeScheduler::Mode::Fail, RPC_E_TOO_LATE},
               {FakeScheduler::Mode::SucceedWithoutObject, S_OK}};
  for (const auto& kind : kinds) {
    for (size_t i = 0; i < full.size(); ++i) {
      SCOPED_TRACE(::testing::Message() << full[i] << " with " << std::hex << kind.failWith);
      Restart(earlier);
      scheduler_.breakAt = i;
      scheduler_.mode = kind.mode;
      scheduler_.failWith = kind.failWith;
      SetLogonTask(kName, true, 0, scheduler_);
      EXPECT_EQ(0, FakeScheduler::LiveObjects());

      const bool tooLateSecurity = kind.failWith == RPC_E_TOO_LATE && i == 0;
      const bool stops = kind.mode == FakeScheduler::Mode::Fail ? !tooLateSecurity : scheduler_.brokeWithoutObject;
      if (stops) {
        EXPECT_EQ(Calls(full.begin(), full.begin() + i + 1), scheduler_.calls);
        EXPECT_EQ(earlier, scheduler_.Root());
      } else if (kind.mode == FakeScheduler::Mode::Fail) {
        EXPECT_EQ(full, scheduler_.calls);
        EXPECT_EQ((Folder{{kName, LogonDefinition(std::nullopt)}}), scheduler_.Root());
      }
    }
  }
  scheduler_.breakAt.reset();
}

TEST_F(LogonTaskTest, AFailureAtAnyStepEndsRemovalAndLookupWithoutEffect) {
  const Folder root = {{L"Other", {}}, {kName, {}}};
  const Calls removal = Then(ListingCalls(2), {"Folder.DeleteTask(SweepletTaskMachine,0)"});
  for (auto mode : {FakeScheduler::Mode::Fail, FakeScheduler::Mode::SucceedWithoutObject}) {
    for (size_t i = 0; i < removal.size(); ++i) {
      SCOPED_TRACE(removal[i]);
      scheduler_.mode = mode;
      scheduler_.breakAt = i;

      Restart(root);
      SetLogonTask(kName, false, 0, scheduler_);
      if (mode == FakeScheduler::Mode::Fail || scheduler_.brokeWithoutObject) {
        EXPECT_EQ(Calls(removal.begin(), removal.begin() + i + 1), scheduler_.calls);
        EXPECT_EQ(root, scheduler_.Root());
      }

      if (i + 1 == removal.size()) continue;  // the lookup never deletes
      Restart(root);
      const bool found = LogonTaskExists(kName, scheduler_);
      if (mode == FakeScheduler::Mode::Fail || scheduler_.brokeWithoutObject) {
        EXPECT_FALSE(found);
        EXPECT_EQ(Calls(removal.begin(), removal.begin() + i + 1), scheduler_.calls);
      }
      EXPECT_EQ(0, FakeScheduler::LiveObjects());
    }
  }
  scheduler_.breakAt.reset();
}

// The switch opens COM around each call and closes it again, whatever the thread had open before;
// on a thread where CoInitialize fails (it joined the multithreaded apartment) the task is left
// alone and counts as absent.
TEST_F(LogonTaskTest, TheSwitchBracketsEachCallWithComAndSkipsItWhenComCannotBeOpened) {
  enum class Apartment { None, SingleThreaded, MultiThreaded };
  const struct {
    Apartment before;
    bool reaches;
    HRESULT coInitializeAfter;  // what a CoInitialize right after the switch's calls answers
  } cases[] = {
      {Apartment::None, true, S_OK},  // S_OK: the switch closed what it opened
      {Apartment::SingleThreaded, true, S_FALSE},
      {Apartment::MultiThreaded, false, RPC_E_CHANGED_MODE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.before));
    Restart({});
    // Notes, as each operation starts, whether the calling thread is in a single-threaded apartment.
    std::vector<bool> singleThreaded;
    WatchedScheduler probe(scheduler_, [&] {
      APTTYPE type{};
      APTTYPEQUALIFIER qualifier{};
      singleThreaded.push_back(SUCCEEDED(::CoGetApartmentType(&type, &qualifier)) &&
                               (type == APTTYPE_STA || type == APTTYPE_MAINSTA));
    });
    const LogonTaskSwitch task(kName, probe);
    bool existsAfterSet = false;
    HRESULT after = E_FAIL;
    std::thread([&] {
      HRESULT opened = E_FAIL;
      if (c.before == Apartment::SingleThreaded) opened = ::CoInitialize(nullptr);
      if (c.before == Apartment::MultiThreaded) opened = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
      task.Set(true, 0);
      existsAfterSet = task.Exists();
      after = ::CoInitialize(nullptr);
      if (SUCCEEDED(after)) ::CoUninitialize();
      if (SUCCEEDED(opened)) ::CoUninitialize();
    }).join();

    EXPECT_EQ(c.coInitializeAfter, after);
    EXPECT_EQ(c.reaches, existsAfterSet);
    EXPECT_EQ(c.reaches, scheduler_.Root().count(kName) == 1);
    if (c.reaches) {
      EXPECT_EQ((std::vector<bool>{true, true}), singleThreaded) << "both calls ran inside COM";
    } else {
      EXPECT_TRUE(scheduler_.calls.empty());
    }
  }
}

FakeDefinition Starting(std::vector<std::optional<std::wstring>> paths, TASK_ACTION_TYPE type = TASK_ACTION_EXEC) {
  FakeDefinition d = LogonDefinition(std::nullopt);
  d.actions.clear();
  for (auto& path : paths) d.actions.push_back({type, std::move(path), std::nullopt, std::nullopt});
  return d;
}

std::wstring Upper(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(::towupper(c));
  return s;
}

TEST_F(LogonTaskTest, FindingTheTaskTellsWhetherItStartsThisExecutable) {
  const std::wstring installed = L"C:\\Program Files\\Sweeplet\\Sweeplet.exe";
  const struct {
    const char* what;
    Folder root;
    ExistingTask expected;
  } cases[] = {
      {"no task", {{L"Other", LogonDefinition(std::nullopt)}}, ExistingTask::None},
      {"registered by this copy", {{kName, LogonDefinition(L"PT1M")}}, ExistingTask::ThisCopy},
      {"letter case aside", {{kName, Starting({Upper(ThisExe())})}}, ExistingTask::ThisCopy},
      {"quoted", {{kName, Starting({L"\"" + ThisExe() + L"\""})}}, ExistingTask::ThisCopy},
      {"an installed copy", {{kName, Starting({installed})}}, ExistingTask::OtherProgram},
      {"a longer path", {{kName, Starting({ThisExe() + L"x"})}}, ExistingTask::OtherProgram},
      {"this copy in a second action", {{kName, Starting({installed, ThisExe()})}}, ExistingTask::ThisCopy},
      {"no actions", {{kName, Starting({})}}, ExistingTask::OtherProgram},
      {"not an exec action", {{kName, Starting({ThisExe()}, TASK_ACTION_SEND_EMAIL)}}, ExistingTask::OtherProgram},
      {"only a name that differs in case", {{L"SWEEPLETTASKMACHINE", LogonDefinition(std::nullopt)}},
       ExistingTask::None},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Restart(c.root);
    EXPECT_EQ(static_cast<int>(c.expected), static_cast<int>(FindLogonTask(kName, scheduler_)));
    EXPECT_EQ(c.root, scheduler_.Root()) << "looking changes nothing";
  }
}

TEST_F(LogonTaskTest, FindingReadsTheActionsCallByCall) {
  Restart({{L"A", {}}, {kName, Starting({L"C:\\Other.exe", ThisExe()})}});
  EXPECT_EQ(ExistingTask::ThisCopy, FindLogonTask(kName, scheduler_));
  EXPECT_EQ(Then(ListingCalls(2), {"Task.get_Definition", "Definition.get_Actions", "Actions.get_Count",
                                   "Actions.get_Item(1)", "Action.get_Type", "Action.QueryInterface(IExecAction)",
                                   "ExecAction.get_Path", "Actions.get_Item(2)", "Action.get_Type",
                                   "Action.QueryInterface(IExecAction)", "ExecAction.get_Path"}),
            scheduler_.calls);
}

// Before the task is found a failure means no task; once it is found, a program that cannot be
// read counts as this copy's, so that an unprotected copy removes rather than keeps it.
TEST_F(LogonTaskTest, AFailureWhileFindingIsNoTaskBeforeTheMatchAndThisCopyAfterIt) {
  const Folder root = {{kName, Starting({L"C:\\Program Files\\Sweeplet\\Sweeplet.exe"})}};
  Restart(root);
  ASSERT_EQ(ExistingTask::OtherProgram, FindLogonTask(kName, scheduler_));
  const Calls full = scheduler_.calls;
  const size_t found = ListingCalls(1).size();
  for (auto mode : {FakeScheduler::Mode::Fail, FakeScheduler::Mode::SucceedWithoutObject}) {
    for (size_t i = 0; i < full.size(); ++i) {
      SCOPED_TRACE(full[i]);
      Restart(root);
      scheduler_.mode = mode;
      scheduler_.breakAt = i;
      const ExistingTask answer = FindLogonTask(kName, scheduler_);
      EXPECT_EQ(0, FakeScheduler::LiveObjects());
      EXPECT_EQ(root, scheduler_.Root());
      if (mode == FakeScheduler::Mode::SucceedWithoutObject && !scheduler_.brokeWithoutObject) continue;
      EXPECT_EQ(Calls(full.begin(), full.begin() + i + 1), scheduler_.calls);
      EXPECT_EQ(static_cast<int>(i < found ? ExistingTask::None : ExistingTask::ThisCopy), static_cast<int>(answer));
    }
  }
  scheduler_.breakAt.reset();
}

}  // namespace
}  // namespace sweeplet
