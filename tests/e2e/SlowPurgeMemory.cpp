// The memory calls of SweepletSlowPurge.exe, the end-to-end tests' build of the program: the
// purge's first call waits while the test holds the gate event, so that the test can end the
// program in the middle of a cleaning job. Sweeplet.exe has none of this.
#include <windows.h>

#include "memory/MemoryApi.h"
#include "tests/e2e/Driver.h"

namespace sweeplet {
namespace {

class SlowPurgeApi final : public IMemoryApi {
 public:
  explicit SlowPurgeApi(IMemoryApi& system) : system_(system) {}
  void ReadGlobalCounters(GlobalMemoryCounters& counters) noexcept override { system_.ReadGlobalCounters(counters); }
  int32_t QuerySystemInformation(uint32_t infoClass, void* buffer, uint32_t length) noexcept override {
    return system_.QuerySystemInformation(infoClass, buffer, length);
  }
  int32_t SetSystemInformation(uint32_t infoClass, void* buffer, uint32_t length) noexcept override {
    if (infoClass == kSystemFileCacheInformation) {
      // Without a test holding the gate the purge runs at once; a test that forgets it costs 30 s.
      if (HANDLE gate = ::OpenEventW(SYNCHRONIZE, FALSE, drive::kPurgeGateName)) {
        ::WaitForSingleObject(gate, 30000);
        ::CloseHandle(gate);
      }
    }
    return system_.SetSystemInformation(infoClass, buffer, length);
  }

 private:
  IMemoryApi& system_;
};

}  // namespace

IMemoryApi& SlowPurgeMemory(IMemoryApi& system) noexcept {
  static SlowPurgeApi api(system);
  return api;
}

}  // namespace sweeplet
