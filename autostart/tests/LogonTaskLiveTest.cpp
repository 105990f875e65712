#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "autostart/LogonTask.h"
#include "autostart/TaskSchedApi.h"
#include "common/ComInit.h"
#include "common/tests/win/TestMachine.h"

namespace sweeplet {
namespace {

// Against the system's own Task Scheduler. Where it does not support everything the task needs
// (run level, logon triggers and idle settings are missing in some environments) the calls must
// still come back normally. A name of its own keeps the program's real task out of reach.
TEST(LogonTaskLiveTest, RealSchedulerCallsReturnNormallyAndLeaveNoTaskBehind) {
  // A task of the account's own Task Scheduler is made and removed: only where that is harmless.
  if (const std::string why = testing::WhyNotOnThisMachine(); !why.empty()) GTEST_SKIP() << why;
  ComInit com;
  ASSERT_TRUE(com.Succeeded());
  EXPECT_TRUE(CoTaskScheduler_::Create()) << "the service object can be created";

  const std::wstring name = L"SweepletTest-" + std::to_wstring(::GetCurrentProcessId());
  ITaskSchedulerApi& system = SystemTaskScheduler();
  SetLogonTask(name, true, 60, system);
  SetLogonTask(name, true, 0, system);  // the second call in this process meets security that is already set
  (void)LogonTaskExists(name, system);
  const ExistingTask found = FindLogonTask(name, system);
  EXPECT_NE(found, ExistingTask::OtherProgram) << "registered by this very program";
  SetLogonTask(name, false, 0, system);
  EXPECT_FALSE(LogonTaskExists(name, system));
  EXPECT_EQ(FindLogonTask(name, system), ExistingTask::None);
  SetLogonTask(name, false, 0, system);  // removing what is not there
}

}  // namespace
}  // namespace sweeplet
