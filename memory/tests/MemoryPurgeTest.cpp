#include "memory/MemoryPurge.h"

#include <gtest/gtest.h>

#include "memory/MemoryStatus.h"
#include "memory/tests/FakeMemoryApi.h"

namespace sweeplet {
namespace {

using testing::FakeMemoryApi;
using testing::RecordedCall;
using Bytes = std::vector<unsigned char>;

Bytes CacheLimitsBlock() {
  Bytes b(64, 0);
  for (size_t i = 24; i < 40; ++i) b[i] = 0xFF;  // minimum and maximum working set, all ones
  return b;
}

class PurgeMemoryWhatever : public ::testing::TestWithParam<int32_t> {};

TEST_P(PurgeMemoryWhatever, SendsAllSixRequestsInOrder) {
  FakeMemoryApi api;
  api.setStatus = GetParam();
  PurgeMemory(api);

  const std::vector<RecordedCall> expected = {
      {RecordedCall::Set, 21, 64, CacheLimitsBlock()},
      {RecordedCall::Set, 80, 4, Bytes{2, 0, 0, 0}},
      {RecordedCall::Set, 80, 4, Bytes{5, 0, 0, 0}},
      {RecordedCall::Set, 80, 4, Bytes{4, 0, 0, 0}},
      {RecordedCall::Set, 80, 4, Bytes{3, 0, 0, 0}},
      {RecordedCall::Set, 130, 24, Bytes(24, 0)},
  };
  ASSERT_EQ(api.calls.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(api.calls[i].kind, expected[i].kind);
    EXPECT_EQ(api.calls[i].infoClass, expected[i].infoClass);
    EXPECT_EQ(api.calls[i].length, expected[i].length);
    EXPECT_EQ(api.calls[i].bytes, expected[i].bytes);
  }
}

// Success, access denied (no privilege), and an unknown information class.
INSTANTIATE_TEST_SUITE_P(Statuses, PurgeMemoryWhatever,
                         ::testing::Values(0, static_cast<int32_t>(0xC0000022), static_cast<int32_t>(0xC0000003)));

// The system's counters before the purge's first request and from then on.
class PurgingMemory : public FakeMemoryApi {
 public:
  GlobalMemoryCounters afterPurge;
  bool failAfter = false;  // the reading after the purge fails and fills nothing

  int32_t SetSystemInformation(uint32_t infoClass, void* buffer, uint32_t length) noexcept override {
    counters = afterPurge;
    fillCounters = !failAfter;
    return FakeMemoryApi::SetSystemInformation(infoClass, buffer, length);
  }
};

constexpr uint64_t MiB = uint64_t{1} << 20;
constexpr uint64_t GiB = uint64_t{1} << 30;

struct FreedCase {
  const char* name;
  uint64_t totalBefore, availBefore;
  uint64_t totalAfter, availAfter;
  bool failBefore, failAfter;
  uint64_t freed;
};

class PurgeMeasured : public ::testing::TestWithParam<FreedCase> {};

TEST_P(PurgeMeasured, FreesTheDifferenceInUseNeverLessThanNothing) {
  const FreedCase& c = GetParam();
  PurgingMemory api;
  api.counters.TotalPhys = c.totalBefore;
  api.counters.AvailPhys = c.availBefore;
  api.fillCounters = !c.failBefore;
  api.afterPurge.TotalPhys = c.totalAfter;
  api.afterPurge.AvailPhys = c.availAfter;
  api.failAfter = c.failAfter;
  api.ReplyFileCache(300 * MiB, 1200 * MiB);  // read with every snapshot, of no weight here
  EXPECT_EQ(PurgeMemoryMeasured(api), c.freed);

  // The purge itself is the same six requests, between a snapshot before and one after.
  ASSERT_EQ(api.calls.size(), 8u);
  EXPECT_EQ(api.calls.front().kind, RecordedCall::Query);
  EXPECT_EQ(api.calls.back().kind, RecordedCall::Query);
  for (size_t i = 1; i < 7; ++i) EXPECT_EQ(api.calls[i].kind, RecordedCall::Set);
}

INSTANTIATE_TEST_SUITE_P(
    Snapshots, PurgeMeasured,
    ::testing::Values(FreedCase{"LessInUseAfter", 16 * GiB, 4 * GiB, 16 * GiB, 6 * GiB + 300 * MiB, false, false,
                                2 * GiB + 300 * MiB},
                      FreedCase{"EqualAfter", 16 * GiB, 4 * GiB, 16 * GiB, 4 * GiB, false, false, 0},
                      FreedCase{"MoreInUseAfter", 16 * GiB, 4 * GiB, 16 * GiB, 3 * GiB, false, false, 0},
                      FreedCase{"OneByte", 16 * GiB, 4 * GiB, 16 * GiB, 4 * GiB + 1, false, false, 1},
                      // A reading that fails shows nothing in use: it measures nothing either way.
                      FreedCase{"ReadingBeforeFailed", 16 * GiB, 4 * GiB, 16 * GiB, 8 * GiB, true, false, 0},
                      FreedCase{"ReadingAfterFailed", 16 * GiB, 4 * GiB, 16 * GiB, 8 * GiB, false, true, 0},
                      // More available than there is: a torn reading, which measures nothing.
                      FreedCase{"AvailableAboveTotalAfter", 16 * GiB, 4 * GiB, 16 * GiB, 17 * GiB, false, false, 0},
                      FreedCase{"AvailableAboveTotalBefore", 16 * GiB, 17 * GiB, 16 * GiB, 4 * GiB, false, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace sweeplet
