#pragma once
// Frees memory: empties the file cache's working set and every process's working set, purges
// the standby lists, flushes the modified pages and combines identical pages.
#include <cstdint>

namespace sweeplet {

class IMemoryApi;

// Six requests, always all six in a fixed order; what the system answers is not examined,
// because a refused request (missing privilege, unknown class) just means less is freed.
// Blocks until the system has done its work: call it off the user-interface thread.
void PurgeMemory(IMemoryApi& api) noexcept;

// The purge between two snapshots taken as the status line takes them: the physical memory it
// freed, in bytes, never below zero. Same thread rules as PurgeMemory.
uint64_t PurgeMemoryMeasured(IMemoryApi& api) noexcept;

}  // namespace sweeplet
