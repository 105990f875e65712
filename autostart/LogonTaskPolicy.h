#pragma once
// What the program does with the logon task at each moment that touches it. The task starts this
// executable elevated without a prompt, so it may only point at a copy that nobody but an
// administrator can replace; for any other copy the task is withheld, and one that already points
// at it is removed.
namespace sweeplet {

// Korean key of the message that explains why starting at logon was refused.
inline constexpr char kProtectedFolderNotice[] =
    "로그온 시 실행하려면 Sweeplet을 Program Files 같은 보호된 폴더에 설치해야 합니다.";

enum class LogonTaskEvent {
  Install,  // the "/inst" switch at start-up
  Load,     // the settings load at start-up: a task that exists is registered again
  Check,    // the user ticked the auto-start box
  Uncheck,  // the user cleared it
};

// The task of our name as found in the root folder. One whose program cannot be read counts as
// this copy's: removing it is the safe side.
enum class ExistingTask { None, ThisCopy, OtherProgram };

enum class TaskChange { None, Register, Remove };

struct LogonTaskPlan {
  TaskChange change = TaskChange::None;
  int delaySeconds = 0;        // for Register
  bool boxChecked = false;     // what the auto-start box shows afterwards
  bool tellUser = false;       // show kProtectedFolderNotice now
  bool operator==(const LogonTaskPlan&) const = default;
};

// toldAlready: the notice was shown earlier in this run; it is shown at most once per run.
LogonTaskPlan PlanLogonTask(LogonTaskEvent event, bool copyProtected, ExistingTask existing,
                            bool toldAlready) noexcept;

}  // namespace sweeplet
