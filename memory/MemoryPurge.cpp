#include "memory/MemoryPurge.h"

#include <cstdint>
#include <cstring>

#include "memory/MemoryApi.h"
#include "memory/MemoryStatus.h"

namespace sweeplet {

void PurgeMemory(IMemoryApi& api) noexcept {
  // Limits of minus one (all bits set in the full pointer width) tell the system to empty the
  // file cache's working set.
  alignas(8) unsigned char cacheLimits[kFileCacheInfoSize] = {};
  const uint64_t allOnes = ~uint64_t{0};
  std::memcpy(cacheLimits + kFileCacheMinimumWorkingSetOffset, &allOnes, sizeof allOnes);
  std::memcpy(cacheLimits + kFileCacheMaximumWorkingSetOffset, &allOnes, sizeof allOnes);
  api.SetSystemInformation(kSystemFileCacheInformation, cacheLimits, sizeof cacheLimits);

  constexpr uint32_t kCommands[] = {kMemoryEmptyWorkingSets, kMemoryPurgeLowPriorityStandbyList,
                                    kMemoryPurgeStandbyList, kMemoryFlushModifiedList};
  for (const uint32_t command : kCommands) {
    uint32_t buffer = command;
    static_assert(sizeof buffer == kMemoryListCommandSize);
    api.SetSystemInformation(kSystemMemoryListInformation, &buffer, sizeof buffer);
  }

  alignas(8) unsigned char combine[kCombinePhysicalMemorySize] = {};
  api.SetSystemInformation(kSystemCombinePhysicalMemoryInformation, combine, sizeof combine);
}

uint64_t PurgeMemoryMeasured(IMemoryApi& api) noexcept {
  MemoryStatus before{}, after{};
  QueryMemoryStatus(before, api);
  PurgeMemory(api);
  QueryMemoryStatus(after, api);
  return FreedPhysical(before, after);
}

}  // namespace sweeplet
