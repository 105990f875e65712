#pragma once
// Seams for tests: replace how the process's COM security is set and how the Task Scheduler
// service object is made, so a fake scheduler can stand in for the real one.
#include <objbase.h>
#include <taskschd.h>

namespace sweeplet {

using ComSecurityInitializer = decltype(&::CoInitializeSecurity);
using TaskServiceFactory = HRESULT (*)(ITaskService** service);

// nullptr restores the real one.
void SetComSecurityInitializerForTesting(ComSecurityInitializer initializer) noexcept;
void SetTaskServiceFactoryForTesting(TaskServiceFactory factory) noexcept;

}  // namespace sweeplet
