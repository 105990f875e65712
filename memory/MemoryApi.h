#pragma once
// The few system calls the memory engine makes, behind an interface so that the engine's
// arithmetic and the exact buffers it hands to the system can be checked without Windows.
#include <cstdint>

namespace sweeplet {

// The global memory counters, in bytes.
struct GlobalMemoryCounters {
  uint64_t TotalPhys = 0;
  uint64_t AvailPhys = 0;
  uint64_t TotalPageFile = 0;
  uint64_t AvailPageFile = 0;
  uint64_t TotalVirtual = 0;
  uint64_t AvailVirtual = 0;
};

// System information classes used by the engine.
inline constexpr uint32_t kSystemFileCacheInformation = 21;
inline constexpr uint32_t kSystemMemoryListInformation = 80;
inline constexpr uint32_t kSystemCombinePhysicalMemoryInformation = 130;

// Memory-list commands, in the order the purge sends them.
inline constexpr uint32_t kMemoryEmptyWorkingSets = 2;
inline constexpr uint32_t kMemoryPurgeLowPriorityStandbyList = 5;
inline constexpr uint32_t kMemoryPurgeStandbyList = 4;
inline constexpr uint32_t kMemoryFlushModifiedList = 3;

// Layout of the file-cache information block of a 64-bit process.
inline constexpr uint32_t kFileCacheInfoSize = 64;
inline constexpr uint32_t kFileCacheCurrentSizeOffset = 0;
inline constexpr uint32_t kFileCachePeakSizeOffset = 8;
inline constexpr uint32_t kFileCacheMinimumWorkingSetOffset = 24;
inline constexpr uint32_t kFileCacheMaximumWorkingSetOffset = 32;

// Layout of the memory-list information block of a 64-bit process, as class 80 answers a query:
// page counts, one pointer-sized field each.
inline constexpr uint32_t kMemoryListInfoSize = 176;
inline constexpr uint32_t kMemoryListZeroedOffset = 0;
inline constexpr uint32_t kMemoryListFreeOffset = 8;
inline constexpr uint32_t kMemoryListModifiedOffset = 16;
inline constexpr uint32_t kMemoryListStandbyOffset = 40;  // eight counts, by priority 0 to 7
inline constexpr uint32_t kMemoryListStandbyPriorities = 8;
// The size of a page of physical memory on every 64-bit Windows.
inline constexpr uint64_t kPhysicalPageSize = 4096;

inline constexpr uint32_t kMemoryListCommandSize = 4;
inline constexpr uint32_t kCombinePhysicalMemorySize = 24;

class IMemoryApi {
 public:
  virtual ~IMemoryApi() = default;
  // Fills what the system reports; a failure leaves the (zeroed) counters as they are.
  virtual void ReadGlobalCounters(GlobalMemoryCounters& counters) noexcept = 0;
  // NtQuerySystemInformation without a return length; the result is the NTSTATUS (0 = success).
  virtual int32_t QuerySystemInformation(uint32_t infoClass, void* buffer, uint32_t length) noexcept = 0;
  // NtSetSystemInformation; the result is the NTSTATUS.
  virtual int32_t SetSystemInformation(uint32_t infoClass, void* buffer, uint32_t length) noexcept = 0;
};

}  // namespace sweeplet
