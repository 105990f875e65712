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

Services DefaultServices() {
  static LocalClock clock;
  Services services;
  services.clock = &clock;
  services.memory = &SystemMemory();
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
