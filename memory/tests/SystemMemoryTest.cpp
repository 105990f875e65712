#include "memory/SystemMemory.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "memory/MemoryPurge.h"
#include "memory/MemoryStatus.h"

namespace sweeplet {
namespace {

TEST(SystemMemory, SnapshotAgreesWithTheSystemCounters) {
  MemoryStatus s;
  QueryMemoryStatus(s, SystemMemory());
  MEMORYSTATUSEX ex{};
  ex.dwLength = sizeof ex;
  ASSERT_TRUE(::GlobalMemoryStatusEx(&ex));

  EXPECT_EQ(s.TotalPhys, ex.ullTotalPhys);
  EXPECT_EQ(s.TotalPage, ex.ullTotalPageFile);
  EXPECT_EQ(s.TotalVirtual, ex.ullTotalVirtual);
  EXPECT_GT(s.TotalPhys, 0u);
  // The available amounts move between the two readings; they stay within their totals.
  EXPECT_LE(s.AvailPhys, s.TotalPhys);
  EXPECT_LE(s.AvailPage, s.TotalPage);
  EXPECT_LE(s.AvailVirtual, s.TotalVirtual);
  EXPECT_NEAR(s.UsagePhys, 100.0 * (ex.ullTotalPhys - ex.ullAvailPhys) / ex.ullTotalPhys, 5.0);
  EXPECT_GT(s.UsagePhys, 0.0f);
  EXPECT_LE(s.UsagePhys, 100.0f);
}

TEST(SystemMemory, FileCacheQueryAcceptsThe64BitLayout) {
  MemoryStatus s;
  s.AvailWork = s.TotalWork = 0xDEADBEEF;
  s.UsageWork = -1.0f;
  QueryMemoryStatus(s, SystemMemory());
  // A rejected block size would have left the markers in place.
  EXPECT_NE(s.TotalWork, 0xDEADBEEFu);
  EXPECT_LE(s.AvailWork, s.TotalWork);
  EXPECT_GE(s.UsageWork, 0.0f);
  EXPECT_LE(s.UsageWork, 100.0f);
}

TEST(SystemMemory, SystemCallsAreFound) {
  alignas(8) unsigned char block[64] = {};
  EXPECT_EQ(SystemMemory().QuerySystemInformation(kSystemFileCacheInformation, block, sizeof block), 0);
  // The 32-bit layout is refused by a 64-bit process (length mismatch), not crashed on.
  EXPECT_NE(SystemMemory().QuerySystemInformation(kSystemFileCacheInformation, block, 36), 0);
}

TEST(SystemMemory, PurgeReturns) {
  PurgeMemory(SystemMemory());
  MemoryStatus s;
  QueryMemoryStatus(s, SystemMemory());
  EXPECT_GT(s.TotalPhys, 0u);
}

}  // namespace
}  // namespace sweeplet
