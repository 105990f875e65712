#include "memory/MemoryStatus.h"

#include <gtest/gtest.h>

#include "memory/tests/FakeMemoryApi.h"

namespace sweeplet {
namespace {

using testing::FakeMemoryApi;
using testing::RecordedCall;

constexpr uint64_t MiB = uint64_t{1} << 20;
constexpr uint64_t GiB = uint64_t{1} << 30;

struct PercentCase {
  const char* name;
  uint64_t total;
  uint64_t used;
  double expected;
};

class UsagePercentTable : public ::testing::TestWithParam<PercentCase> {};

TEST_P(UsagePercentTable, GivesExactQuotient) {
  EXPECT_EQ(UsagePercent(GetParam().total, GetParam().used), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UsagePercentTable,
    ::testing::Values(PercentCase{"ZeroTotal", 0, 5 * GiB, 0.0}, PercentCase{"NothingUsed", 16 * GiB, 0, 0.0},
                      PercentCase{"ThreeQuarters", 16 * GiB, 12 * GiB, 75.0},
                      PercentCase{"AllUsed", 1200 * MiB, 1200 * MiB, 100.0},
                      PercentCase{"Fraction", 8, 1, 12.5},
                      PercentCase{"MoreThanTotalIsNotClamped", 4, 6, 150.0},
                      // 2^60 * 100 wraps to 2^62 before the division.
                      PercentCase{"ProductWrapsModulo2To64", uint64_t{1} << 61, uint64_t{1} << 60, 2.0},
                      PercentCase{"ProductWrapsToZero", uint64_t{1} << 63, uint64_t{1} << 62, 0.0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UsagePercent, OneThirdIsFractionalAndFitsAFloat) {
  const double third = UsagePercent(3 * GiB, GiB);
  EXPECT_NEAR(third, 100.0 / 3.0, 1e-12);
  EXPECT_EQ(static_cast<float>(third), 33.333332f);
}

TEST(QueryMemoryStatus, FillsEveryFieldFromTheSystem) {
  FakeMemoryApi api;
  api.counters = {16 * GiB, 4 * GiB, 24 * GiB, 18 * GiB, 128 * GiB * 1024, 96 * GiB * 1024};
  api.ReplyFileCache(300 * MiB, 1200 * MiB);
  MemoryStatus s;
  QueryMemoryStatus(s, api);

  EXPECT_EQ(s.TotalPhys, 16 * GiB);
  EXPECT_EQ(s.AvailPhys, 4 * GiB);
  EXPECT_EQ(s.TotalPage, 24 * GiB);
  EXPECT_EQ(s.AvailPage, 18 * GiB);
  EXPECT_EQ(s.TotalVirtual, 128 * GiB * 1024);
  EXPECT_EQ(s.AvailVirtual, 96 * GiB * 1024);
  EXPECT_EQ(s.UsagePhys, 75.0f);
  EXPECT_EQ(s.UsagePage, 25.0f);
  EXPECT_EQ(s.UsageVirtual, 25.0f);
  EXPECT_EQ(s.AvailWork, 900 * MiB);
  EXPECT_EQ(s.TotalWork, 1200 * MiB);
  EXPECT_EQ(s.UsageWork, 25.0f);
}

TEST(QueryMemoryStatus, AsksForTheFileCacheWithAZeroed64ByteBlock) {
  FakeMemoryApi api;
  api.ReplyFileCache(1, 2);
  MemoryStatus s;
  QueryMemoryStatus(s, api);

  ASSERT_EQ(api.calls.size(), 1u);
  EXPECT_EQ(api.calls[0].kind, RecordedCall::Query);
  EXPECT_EQ(api.calls[0].infoClass, 21u);
  EXPECT_EQ(api.calls[0].length, 64u);
  EXPECT_EQ(api.calls[0].bytes, std::vector<unsigned char>(64, 0));
}

TEST(QueryMemoryStatus, CacheAtItsPeakIsFullyUsed) {
  FakeMemoryApi api;
  api.ReplyFileCache(700 * MiB, 700 * MiB);
  MemoryStatus s;
  QueryMemoryStatus(s, api);
  EXPECT_EQ(s.AvailWork, 0u);
  EXPECT_EQ(s.TotalWork, 700 * MiB);
  EXPECT_EQ(s.UsageWork, 100.0f);
}

TEST(QueryMemoryStatus, SizesBeyond32BitsAreKept) {
  FakeMemoryApi api;
  api.ReplyFileCache(5 * GiB, 20 * GiB);
  MemoryStatus s;
  QueryMemoryStatus(s, api);
  EXPECT_EQ(s.AvailWork, 15 * GiB);
  EXPECT_EQ(s.TotalWork, 20 * GiB);
  EXPECT_EQ(s.UsageWork, 25.0f);
}

TEST(QueryMemoryStatus, FailedCacheQueryLeavesTheCacheFieldsAlone) {
  FakeMemoryApi api;
  api.counters = {16 * GiB, 4 * GiB, 24 * GiB, 18 * GiB, 8 * GiB, 2 * GiB};
  api.queryStatus = static_cast<int32_t>(0xC0000004);  // length mismatch
  MemoryStatus s;
  s.AvailPhys = s.AvailPage = s.AvailVirtual = s.AvailWork = 0xABCD;
  s.TotalPhys = s.TotalPage = s.TotalVirtual = s.TotalWork = 0x1234;
  s.UsagePhys = s.UsagePage = s.UsageVirtual = s.UsageWork = -7.5f;
  QueryMemoryStatus(s, api);

  EXPECT_EQ(s.AvailWork, 0xABCDu);
  EXPECT_EQ(s.TotalWork, 0x1234u);
  EXPECT_EQ(s.UsageWork, -7.5f);
  EXPECT_EQ(s.AvailPhys, 4 * GiB);
  EXPECT_EQ(s.AvailPage, 18 * GiB);
  EXPECT_EQ(s.AvailVirtual, 2 * GiB);
  EXPECT_EQ(s.TotalPhys, 16 * GiB);
  EXPECT_EQ(s.TotalPage, 24 * GiB);
  EXPECT_EQ(s.TotalVirtual, 8 * GiB);
  EXPECT_EQ(s.UsagePhys, 75.0f);
  EXPECT_EQ(s.UsagePage, 25.0f);
  EXPECT_EQ(s.UsageVirtual, 75.0f);
}

TEST(QueryMemoryStatus, SilentCountersReadAsZero) {
  FakeMemoryApi api;
  api.fillCounters = false;  // as when the system call fails
  api.queryStatus = 1;
  MemoryStatus s;
  s.TotalPhys = s.AvailPhys = s.TotalPage = 99;
  s.UsagePhys = s.UsagePage = s.UsageVirtual = 50.0f;
  QueryMemoryStatus(s, api);
  EXPECT_EQ(s.TotalPhys, 0u);
  EXPECT_EQ(s.AvailPhys, 0u);
  EXPECT_EQ(s.TotalPage, 0u);
  EXPECT_EQ(s.UsagePhys, 0.0f);
  EXPECT_EQ(s.UsagePage, 0.0f);
  EXPECT_EQ(s.UsageVirtual, 0.0f);
}

}  // namespace
}  // namespace sweeplet
