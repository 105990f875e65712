// The program's own implementations of the main window's seams.
#include <windows.h>
#include <oleauto.h>

#include "app/Services.h"

namespace sweeplet {
namespace {

class LocalClock : public IClock {
 public:
  double Now() override {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    double dt = 0;
    ::SystemTimeToVariantTime(&st, &dt);  // whole seconds; add the milliseconds ourselves
    return dt + st.wMilliseconds / 86400000.0;
  }
};

class NoMemory : public IMemoryService {
 public:
  void Query(MemoryStatus&) override {}
  void Purge() override {}
};

}  // namespace

Services DefaultServices() {
  static LocalClock clock;
  static NoMemory memory;
  return Services{&clock, &memory, nullptr};
}

}  // namespace sweeplet
