#include "memory/MemoryPurge.h"

#include <cstdint>
#include <cstring>

#include "memory/MemoryApi.h"
#include "memory/MemoryStatus.h"

namespace sweeplet {

std::optional<PurgeArea> FindPurgeArea(std::string_view name) noexcept {
  for (const PurgeAreaName& entry : kPurgeAreaNames) {
    if (entry.name == name) return entry.area;
  }
  return std::nullopt;
}

PurgeResult PurgeMemory(IMemoryApi& api, uint32_t areas) noexcept {
  PurgeResult result;
  auto send = [&](uint32_t infoClass, void* buffer, uint32_t length) {
    ++result.sent;
    // Any success status (warnings included) means the system did the work.
    if (api.SetSystemInformation(infoClass, buffer, length) >= 0) ++result.accepted;
  };

  if (areas & kAreaFileCache) {
    // Limits of minus one (all bits set in the full pointer width) tell the system to empty the
    // file cache's working set.
    alignas(8) unsigned char cacheLimits[kFileCacheInfoSize] = {};
    const uint64_t allOnes = ~uint64_t{0};
    std::memcpy(cacheLimits + kFileCacheMinimumWorkingSetOffset, &allOnes, sizeof allOnes);
    std::memcpy(cacheLimits + kFileCacheMaximumWorkingSetOffset, &allOnes, sizeof allOnes);
    send(kSystemFileCacheInformation, cacheLimits, sizeof cacheLimits);
  }

  struct ListCommand {
    PurgeArea area;
    uint32_t command;
  };
  constexpr ListCommand kCommands[] = {{kAreaWorkingSets, kMemoryEmptyWorkingSets},
                                       {kAreaStandbyLowPriority, kMemoryPurgeLowPriorityStandbyList},
                                       {kAreaStandby, kMemoryPurgeStandbyList},
                                       {kAreaModified, kMemoryFlushModifiedList}};
  for (const ListCommand& c : kCommands) {
    if (!(areas & c.area)) continue;
    uint32_t buffer = c.command;
    static_assert(sizeof buffer == kMemoryListCommandSize);
    send(kSystemMemoryListInformation, &buffer, sizeof buffer);
  }

  if (areas & kAreaCombine) {
    alignas(8) unsigned char combine[kCombinePhysicalMemorySize] = {};
    send(kSystemCombinePhysicalMemoryInformation, combine, sizeof combine);
  }
  return result;
}

PurgeResult PurgeMemoryMeasured(IMemoryApi& api, uint32_t areas) noexcept {
  GlobalMemoryCounters countersBefore{}, countersAfter{};
  api.ReadGlobalCounters(countersBefore);
  const std::optional<MemoryLists> listsBefore = QueryMemoryLists(api);
  PurgeResult result = PurgeMemory(api, areas);
  api.ReadGlobalCounters(countersAfter);
  const std::optional<MemoryLists> listsAfter = QueryMemoryLists(api);
  if (listsBefore && listsAfter) {
    result.freed = FreedFromLists(*listsBefore, *listsAfter);
  } else {
    MemoryStatus before{}, after{};
    before.TotalPhys = countersBefore.TotalPhys;
    before.AvailPhys = countersBefore.AvailPhys;
    after.TotalPhys = countersAfter.TotalPhys;
    after.AvailPhys = countersAfter.AvailPhys;
    result.freed = FreedPhysical(before, after);
  }
  return result;
}

}  // namespace sweeplet
