#pragma once
// The memory engine on the real system: kernel32's global counters and ntdll's system
// information calls.
#include "memory/MemoryApi.h"

namespace sweeplet {

class SystemMemoryApi final : public IMemoryApi {
 public:
  void ReadGlobalCounters(GlobalMemoryCounters& counters) noexcept override;
  int32_t QuerySystemInformation(uint32_t infoClass, void* buffer, uint32_t length) noexcept override;
  int32_t SetSystemInformation(uint32_t infoClass, void* buffer, uint32_t length) noexcept override;
};

// The process-wide instance; it holds no state of its own and may be used from any thread.
IMemoryApi& SystemMemory() noexcept;

}  // namespace sweeplet
