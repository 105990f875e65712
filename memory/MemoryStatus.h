#pragma once
// One memory snapshot: physical memory, page file (commit), the process's address space and
// the system file cache's working set.
#include <cstdint>
#include <optional>

namespace sweeplet {

class IMemoryApi;

struct MemoryStatus {
  uint64_t AvailPhys = 0;
  uint64_t AvailPage = 0;
  uint64_t AvailVirtual = 0;
  uint64_t AvailWork = 0;  // the file cache's peak working set minus its current size
  uint64_t TotalPhys = 0;
  uint64_t TotalPage = 0;  // the commit limit
  uint64_t TotalVirtual = 0;
  uint64_t TotalWork = 0;  // the file cache's peak working set
  float UsagePhys = 0;
  float UsagePage = 0;
  float UsageVirtual = 0;
  float UsageWork = 0;
};

// Used as a percentage of Total; 0.0 when either is 0. Used * 100 wraps modulo 2^64 before the
// division, and nothing is rounded to whole percent.
double UsagePercent(uint64_t total, uint64_t used) noexcept;

// How much less physical memory is in use in `after` than in `before`; never below zero, since
// the system may hand memory to other processes while a purge runs. 0 when either reading is
// impossible (no total, as after a failed query, or more available than there is): against
// such a reading everything or nothing would look freed.
uint64_t FreedPhysical(const MemoryStatus& before, const MemoryStatus& after) noexcept;

// The system's memory lists, in pages.
struct MemoryLists {
  uint64_t zeroed = 0;
  uint64_t free = 0;
  uint64_t modified = 0;
  uint64_t standby = 0;  // all eight priorities
};

// The memory lists as the system reports them now; none when the query is refused (Wine) or the
// answer cannot be a real machine's (every list empty).
std::optional<MemoryLists> QueryMemoryLists(IMemoryApi& api) noexcept;

// How much free and zeroed memory grew from `before` to `after`, in bytes; never below zero.
// This is what Task Manager shows as "Free": memory that holds nothing any more. The standby
// list, counted as available, is cache that a purge turns into free memory.
uint64_t FreedFromLists(const MemoryLists& before, const MemoryLists& after) noexcept;

// Fills the record in place. The file-cache fields (AvailWork, TotalWork, UsageWork) are written
// only when the file-cache query succeeds; otherwise they keep what the record held.
void QueryMemoryStatus(MemoryStatus& status, IMemoryApi& api) noexcept;

}  // namespace sweeplet
