#pragma once
// Start at logon: one Task Scheduler task in the root folder that runs this executable with
// "/start" at the highest run level. The task itself is the only record of whether it is on.
//
// Both operations block until the Task Scheduler answers. Failures are dropped: the operation
// simply does less.
#include <objbase.h>
#include <taskschd.h>

#include <string>
#include <string_view>
#include <utility>

#include "autostart/LogonTaskPolicy.h"

namespace sweeplet {

// What the logon task asks of the system: the process's COM security and the Task Scheduler
// service object. The program uses SystemTaskScheduler(); tests put an in-memory scheduler here.
class ITaskSchedulerApi {
 public:
  virtual ~ITaskSchedulerApi() = default;
  // CoInitializeSecurity with these arguments.
  virtual HRESULT InitializeSecurity(PSECURITY_DESCRIPTOR securityDescriptor, LONG authServices,
                                     SOLE_AUTHENTICATION_SERVICE* services, void* reserved1, DWORD authnLevel,
                                     DWORD impLevel, void* authList, DWORD capabilities, void* reserved3) = 0;
  // A new service object on this machine, with one reference for the caller.
  virtual HRESULT CreateService(ITaskService** service) = 0;
};

// The task's priority: the first of the levels the Task Scheduler keeps for interactive tasks.
inline constexpr int kLogonTaskPriority = 4;

// The real calls; holds no state.
ITaskSchedulerApi& SystemTaskScheduler() noexcept;

// COM must be initialised on the calling thread (CoInitialize); LogonTaskSwitch below does that.
//
// enabled: registers (creates or replaces) the task, with a logon delay of delaySeconds when that
// is above zero. Not enabled: deletes the task of exactly that name from the root folder, if any.
void SetLogonTask(std::wstring_view taskName, bool enabled, int delaySeconds, ITaskSchedulerApi& scheduler) noexcept;

// True when a task of exactly that name (case-sensitive) is listed in the root folder.
bool LogonTaskExists(std::wstring_view taskName, ITaskSchedulerApi& scheduler) noexcept;

// One logon task as the program's window switches it from its user-interface thread. Every call
// brackets itself with CoInitialize and CoUninitialize and reaches the Task Scheduler only when
// CoInitialize succeeded; otherwise the task is left as it is and counts as absent.
class LogonTaskSwitch {
 public:
  LogonTaskSwitch(std::wstring taskName, ITaskSchedulerApi& scheduler) noexcept
      : taskName_(std::move(taskName)), scheduler_(scheduler) {}

  void Set(bool enabled, int delaySeconds) const noexcept;
  bool Exists() const noexcept;
  ExistingTask Find() const noexcept;

 private:
  std::wstring taskName_;
  ITaskSchedulerApi& scheduler_;
};

// Like LogonTaskExists, and whether the task starts this executable (any exec action whose path
// is ModulePath(), letter case aside). A task whose actions cannot be read counts as ThisCopy.
// None also when the Task Scheduler cannot be asked.
ExistingTask FindLogonTask(std::wstring_view taskName, ITaskSchedulerApi& scheduler) noexcept;

}  // namespace sweeplet
