#include "autostart/LogonTaskPolicy.h"

namespace sweeplet {

LogonTaskPlan PlanLogonTask(LogonTaskEvent event, bool copyProtected, ExistingTask existing,
                            bool toldAlready) noexcept {
  LogonTaskPlan plan;
  if (copyProtected) {
    switch (event) {
      case LogonTaskEvent::Install:
        return {TaskChange::Register, 60, true, false};
      case LogonTaskEvent::Load:
        if (existing == ExistingTask::None) return plan;
        return {TaskChange::Register, 0, true, false};
      case LogonTaskEvent::Check:
        return {TaskChange::Register, 0, true, false};
      case LogonTaskEvent::Uncheck:
        return {TaskChange::Remove, 0, false, false};
    }
    return plan;
  }

  // A copy that a user could swap: never registered, the box never stays ticked. A task that
  // starts another program (an installed copy) is not this copy's to remove.
  if (existing == ExistingTask::ThisCopy) plan.change = TaskChange::Remove;
  bool explain = false;
  switch (event) {
    case LogonTaskEvent::Install:
    case LogonTaskEvent::Check:
      explain = true;  // the user asked for something that is refused
      break;
    case LogonTaskEvent::Load:
      explain = existing == ExistingTask::ThisCopy;  // a start at logon the user had goes away
      break;
    case LogonTaskEvent::Uncheck:
      break;
  }
  plan.tellUser = explain && !toldAlready;
  return plan;
}

}  // namespace sweeplet
