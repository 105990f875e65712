#pragma once
// Frees memory: empties the file cache's working set and every process's working set, purges
// the standby lists, flushes the modified pages and combines identical pages.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace sweeplet {

class IMemoryApi;

// The areas a purge can clean, one bit each. Their requests always go in this order.
enum PurgeArea : uint32_t {
  kAreaFileCache = 1u << 0,
  kAreaWorkingSets = 1u << 1,
  kAreaStandbyLowPriority = 1u << 2,
  kAreaStandby = 1u << 3,
  kAreaModified = 1u << 4,
  kAreaCombine = 1u << 5,
};
inline constexpr uint32_t kAllPurgeAreas = 0x3F;
inline constexpr std::size_t kPurgeAreaCount = 6;

// Each area with the name a command line gives it, in request order.
struct PurgeAreaName {
  PurgeArea area;
  std::string_view name;
};
inline constexpr std::array<PurgeAreaName, kPurgeAreaCount> kPurgeAreaNames = {{
    {kAreaFileCache, "filecache"},
    {kAreaWorkingSets, "workingsets"},
    {kAreaStandbyLowPriority, "standby-low"},
    {kAreaStandby, "standby"},
    {kAreaModified, "modified"},
    {kAreaCombine, "combine"},
}};

// The area named `name` (compared exactly); none for an unknown name.
std::optional<PurgeArea> FindPurgeArea(std::string_view name) noexcept;

// What a purge did. `accepted`: requests the system carried out; 0 when every one was refused
// (a token without the privileges, an unknown class) or none was sent.
struct PurgeResult {
  int sent = 0;
  int accepted = 0;
  uint64_t freed = 0;  // bytes; only from PurgeMemoryMeasured
};

// The requests of the areas in `areas`, in the fixed order, each sent whatever the system
// answered to the one before. Blocks until the system has done its work: call it off the
// user-interface thread.
PurgeResult PurgeMemory(IMemoryApi& api, uint32_t areas = kAllPurgeAreas) noexcept;

// The purge between two readings of the system's memory lists: `freed` is how much free and
// zeroed memory grew (Task Manager's "Free"). Where the lists cannot be read, it is how much less
// physical memory is in use (FreedPhysical). Never below zero. Same thread rules as PurgeMemory.
PurgeResult PurgeMemoryMeasured(IMemoryApi& api, uint32_t areas = kAllPurgeAreas) noexcept;

}  // namespace sweeplet
