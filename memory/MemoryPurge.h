#pragma once
// Frees memory: empties the file cache's working set and every process's working set, purges
// the standby lists, flushes the modified pages and combines identical pages.

namespace sweeplet {

class IMemoryApi;

// Six requests, always all six in a fixed order; what the system answers is not examined,
// because a refused request (missing privilege, unknown class) just means less is freed.
// Blocks until the system has done its work: call it off the user-interface thread.
void PurgeMemory(IMemoryApi& api) noexcept;

}  // namespace sweeplet
