#pragma once
// Start at logon: one Task Scheduler task in the root folder that runs this executable with
// "/start" at the highest run level. The task itself is the only record of whether it is on.
//
// COM must be initialised on the calling thread (CoInitialize, e.g. common/ComInit.h); both calls
// block until the Task Scheduler answers. Failures are dropped: the operation simply does less.
#include <string>
#include <string_view>

#include "autostart/LogonTaskPolicy.h"

namespace sweeplet {

// enabled: registers (creates or replaces) the task, with a logon delay of delaySeconds when that
// is above zero. Not enabled: deletes the task of exactly that name from the root folder, if any.
void SetLogonTask(std::wstring_view taskName, bool enabled, int delaySeconds) noexcept;

// True when a task of exactly that name (case-sensitive) is listed in the root folder.
bool LogonTaskExists(std::wstring_view taskName) noexcept;

// Like LogonTaskExists, and whether the task starts this executable (any exec action whose path
// is ThisProgramPath(), letter case aside). A task whose actions cannot be read counts as
// ThisCopy. None also when the Task Scheduler cannot be asked.
ExistingTask FindLogonTask(std::wstring_view taskName) noexcept;

// The program a registration points the task at: this executable's full path as the system
// reports it. Empty if it cannot be had whole.
std::wstring ThisProgramPath() noexcept;

}  // namespace sweeplet
