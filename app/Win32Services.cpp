// The program's own implementations of the main window's seams.
#include <windows.h>

#include "app/Services.h"
#include "app/logic/UserLocale.h"
#include "autostart/LogonTask.h"
#include "autostart/ProtectedCopy.h"
#include "common/ModulePath.h"
#include "common/AppGlobals.h"
#include "common/ShellOpen.h"
#include "common/Utf.h"
#include "memory/Privilege.h"
#include "memory/SystemMemory.h"

namespace sweeplet {
namespace {

class LocalClock : public IClock {
 public:
  double Now() override { return NowAsDateTime(); }
};

}  // namespace

#ifdef SWEEPLET_E2E_SLOW_PURGE
// Only in the end-to-end tests' own build of the program (tests/e2e/SlowPurgeMemory.cpp), never
// in Sweeplet.exe: a purge the test holds open, so that it can close the program mid-job.
IMemoryApi& SlowPurgeMemory(IMemoryApi& system) noexcept;
#endif

Services DefaultServices() {
  static LocalClock clock;
  Services services;
  services.clock = &clock;
#ifdef SWEEPLET_E2E_SLOW_PURGE
  services.memory = &SlowPurgeMemory(SystemMemory());
#else
  services.memory = &SystemMemory();
#endif
  services.token = &SystemTokenApi();
  services.taskScheduler = &SystemTaskScheduler();
  services.links = &ShellLinkOpener();
  services.copyProtected = [] {
    // The executable's place does not change while it runs: judged once.
    static const bool protectedCopy = IsProtectedCopy(ModulePath());
    return protectedCopy;
  };
  services.settings = {HKEY_CURRENT_USER, kSettingsPath};
  services.updateServiceUrl = Widen(std::string("https://") + kUpdateHost + kUpdatePath);
  return services;
}

}  // namespace sweeplet
