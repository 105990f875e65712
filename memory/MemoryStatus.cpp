#include "memory/MemoryStatus.h"

#include <cstring>

#include "memory/MemoryApi.h"

namespace sweeplet {

namespace {

uint64_t LoadU64(const unsigned char* p) noexcept {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

float Percent(uint64_t total, uint64_t available) noexcept {
  return static_cast<float>(UsagePercent(total, total - available));
}

}  // namespace

double UsagePercent(uint64_t total, uint64_t used) noexcept {
  if (used == 0 || total == 0) return 0.0;
  // The product may wrap; dividing in extended precision keeps the quotient exact to the last
  // bit of the double it is rounded to.
  const uint64_t product = used * 100u;
  return static_cast<double>(static_cast<long double>(product) / static_cast<long double>(total));
}

uint64_t FreedPhysical(const MemoryStatus& before, const MemoryStatus& after) noexcept {
  const auto readable = [](const MemoryStatus& s) { return s.TotalPhys != 0 && s.AvailPhys <= s.TotalPhys; };
  if (!readable(before) || !readable(after)) return 0;
  const uint64_t usedBefore = before.TotalPhys - before.AvailPhys;
  const uint64_t usedAfter = after.TotalPhys - after.AvailPhys;
  return usedBefore > usedAfter ? usedBefore - usedAfter : 0;
}

std::optional<MemoryLists> QueryMemoryLists(IMemoryApi& api) noexcept {
  alignas(8) unsigned char block[kMemoryListInfoSize] = {};
  if (api.QuerySystemInformation(kSystemMemoryListInformation, block, sizeof block) != 0) return std::nullopt;
  MemoryLists lists;
  lists.zeroed = LoadU64(block + kMemoryListZeroedOffset);
  lists.free = LoadU64(block + kMemoryListFreeOffset);
  lists.modified = LoadU64(block + kMemoryListModifiedOffset);
  for (uint32_t i = 0; i < kMemoryListStandbyPriorities; ++i) {
    lists.standby += LoadU64(block + kMemoryListStandbyOffset + 8 * i);
  }
  if (lists.zeroed == 0 && lists.free == 0 && lists.modified == 0 && lists.standby == 0) return std::nullopt;
  return lists;
}

uint64_t FreedFromLists(const MemoryLists& before, const MemoryLists& after) noexcept {
  const uint64_t pagesBefore = before.zeroed + before.free;
  const uint64_t pagesAfter = after.zeroed + after.free;
  if (pagesAfter <= pagesBefore) return 0;
  const uint64_t pages = pagesAfter - pagesBefore;
  // A torn or absurd reading must not wrap round into a small amount.
  return pages > UINT64_MAX / kPhysicalPageSize ? UINT64_MAX : pages * kPhysicalPageSize;
}

void QueryMemoryStatus(MemoryStatus& status, IMemoryApi& api) noexcept {
  // Zeroed first: if the system fills nothing, every amount reads 0 and every percentage 0.0.
  GlobalMemoryCounters counters{};
  api.ReadGlobalCounters(counters);
  status.AvailPhys = counters.AvailPhys;
  status.AvailPage = counters.AvailPageFile;
  status.AvailVirtual = counters.AvailVirtual;
  status.TotalPhys = counters.TotalPhys;
  status.TotalPage = counters.TotalPageFile;
  status.TotalVirtual = counters.TotalVirtual;
  status.UsagePhys = Percent(status.TotalPhys, status.AvailPhys);
  status.UsagePage = Percent(status.TotalPage, status.AvailPage);
  status.UsageVirtual = Percent(status.TotalVirtual, status.AvailVirtual);

  alignas(8) unsigned char cache[kFileCacheInfoSize] = {};
  if (api.QuerySystemInformation(kSystemFileCacheInformation, cache, sizeof cache) != 0) return;
  const uint64_t current = LoadU64(cache + kFileCacheCurrentSizeOffset);
  const uint64_t peak = LoadU64(cache + kFileCachePeakSizeOffset);
  status.AvailWork = peak - current;
  status.TotalWork = peak;
  status.UsageWork = Percent(status.TotalWork, status.AvailWork);
}

}  // namespace sweeplet
