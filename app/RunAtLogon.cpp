#include "app/RunAtLogon.h"

#include "autostart/LogonTaskPolicy.h"
#include "common/AppGlobals.h"
#include "common/ComInit.h"
#include "common/UiDispatcher.h"
#include "common/Utf.h"
#include "i18n/TranslateWin.h"

namespace sweeplet {
namespace {

// Carries out what the plan says about the task; the box and the notice are the caller's.
void ApplyTaskChange(const LogonTaskSwitch& task, const LogonTaskPlan& plan) {
  if (plan.change == TaskChange::Register) task.Set(true, plan.delaySeconds);
  if (plan.change == TaskChange::Remove) task.Set(false, 0);
}

}  // namespace

RunAtLogon::RunAtLogon(const Services& services, Host& host)
    : services_(services), host_(host), task_(kLogonTaskName, *services.taskScheduler) {}

bool RunAtLogon::CopyProtected() const { return services_.copyProtected && services_.copyProtected(); }

void RunAtLogon::Install() {
  const bool protectedCopy = CopyProtected();
  const ExistingTask existing = protectedCopy ? ExistingTask::None : task_.Find();
  const LogonTaskPlan plan = PlanLogonTask(LogonTaskEvent::Install, protectedCopy, existing, toldProtectedFolder_);
  ApplyTaskChange(task_, plan);
  if (plan.tellUser) TellProtectedFolder(false);
}

// The task is looked up (and registered again, as every start does) on a worker in its own COM
// apartment; the box shows the answer when it arrives.
void RunAtLogon::StartLookup() {
  const LogonTaskSwitch* task = &task_;
  std::function<bool()> copyProtected = services_.copyProtected;
  lookupPending_ = lookup_.Start([this, task, copyProtected] {
    LogonTaskPlan plan;
    {
      const ComInit com;  // keeps one apartment across the calls below
      if (!com.Succeeded()) return;  // the task counts as absent; the box stays unchecked
      const bool protectedCopy = copyProtected && copyProtected();
      plan = PlanLogonTask(LogonTaskEvent::Load, protectedCopy, task->Find(), false);
      ApplyTaskChange(*task, plan);
    }
    // Once the window is going the answer is dropped.
    if (UiDispatcher* ui = UiDispatcher::Main()) ui->Run([this, plan] { OnLookupAnswer(plan); });
  });
}

void RunAtLogon::OnLookupAnswer(const LogonTaskPlan& plan) {
  lookupPending_ = false;
  checked_ = plan.boxChecked;
  host_.ShowLogonTaskAnswer(checked_);
  if (plan.tellUser) TellProtectedFolder(false);
}

bool RunAtLogon::Click(bool wanted) {
  if (host_.Ending()) return wanted;
  if (lookupPending_) {
    // The start's lookup finishes first (its answer is served while waiting); the click wins.
    lookup_.Join();
    lookupPending_ = false;
    // What was served meanwhile may have been the uninstaller's hand-off: its removal stands.
    if (host_.Ending()) return wanted;
  }
  const bool protectedCopy = CopyProtected();
  const ExistingTask existing = protectedCopy ? ExistingTask::None : task_.Find();
  const LogonTaskPlan plan = PlanLogonTask(wanted ? LogonTaskEvent::Check : LogonTaskEvent::Uncheck, protectedCopy,
                                           existing, toldProtectedFolder_);
  ApplyTaskChange(task_, plan);
  checked_ = plan.boxChecked;
  host_.ShowLogonTaskAnswer(checked_);  // before the message, which the user reads beside the box
  if (plan.tellUser) TellProtectedFolder(true);
  return checked_;
}

void RunAtLogon::Remove() {
  lookup_.Join();  // a registration at start must not come after the removal
  lookupPending_ = false;
  task_.Set(false, 0);
  checked_ = false;
}

// Once per run.
void RunAtLogon::TellProtectedFolder(bool answersClick) {
  if (toldProtectedFolder_) return;
  toldProtectedFolder_ = true;
  host_.TellUser(TranslateW(Widen(kProtectedFolderNotice)), answersClick);
}

}  // namespace sweeplet
