// The program's own implementations of the main window's seams.
#include <windows.h>

#include "app/Services.h"
#include "app/logic/UserLocale.h"
#include "common/AppGlobals.h"
#include "common/Utf.h"
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
  services.updateServiceUrl = Widen(std::string("https://") + kUpdateHost + kUpdatePath);
  return services;
}

}  // namespace sweeplet
