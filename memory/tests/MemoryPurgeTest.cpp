#include "memory/MemoryPurge.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>

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
  const PurgeResult result = PurgeMemory(api);
  EXPECT_EQ(result.sent, 6);
  EXPECT_EQ(result.accepted, GetParam() >= 0 ? 6 : 0);

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

// The areas left on send their requests, in the fixed order; the others send nothing.
struct AreasCase {
  const char* name;
  uint32_t areas;
  std::vector<std::pair<uint32_t, int>> requests;  // class, and the command for class 80
};

class PurgeAreas : public ::testing::TestWithParam<AreasCase> {};

TEST_P(PurgeAreas, SendsOnlyTheChosenAreasInTheFixedOrder) {
  FakeMemoryApi api;
  const PurgeResult result = PurgeMemory(api, GetParam().areas);
  const auto& expected = GetParam().requests;
  ASSERT_EQ(api.calls.size(), expected.size());
  EXPECT_EQ(result.sent, static_cast<int>(expected.size()));
  EXPECT_EQ(result.accepted, result.sent);
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(api.calls[i].infoClass, expected[i].first);
    if (expected[i].first == 80) {
      EXPECT_EQ(api.calls[i].bytes, (Bytes{static_cast<unsigned char>(expected[i].second), 0, 0, 0}));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Areas, PurgeAreas,
    ::testing::Values(AreasCase{"None", 0, {}},
                      AreasCase{"FileCacheOnly", kAreaFileCache, {{21, 0}}},
                      AreasCase{"StandbyLowOnly", kAreaStandbyLowPriority, {{80, 5}}},
                      // Chosen in another order, sent in the fixed one.
                      AreasCase{"CombineModifiedWorkingSets", kAreaCombine | kAreaModified | kAreaWorkingSets,
                                {{80, 2}, {80, 3}, {130, 0}}},
                      AreasCase{"AllButTheHeavyOnes", kAllPurgeAreas & ~(kAreaStandby | kAreaModified),
                                {{21, 0}, {80, 2}, {80, 5}, {130, 0}}},
                      // Bits beyond the six areas choose nothing.
                      AreasCase{"UnknownBits", 0xFFFFFFC0u | kAreaStandby, {{80, 4}}}),
    [](const auto& info) { return std::string(info.param.name); });

// Some requests refused (a missing privilege refuses the list commands, not the others).
TEST(PurgeMemoryResult, CountsWhatTheSystemAccepted) {
  class PartlyRefusing : public FakeMemoryApi {
   public:
    int32_t SetSystemInformation(uint32_t infoClass, void* buffer, uint32_t length) noexcept override {
      FakeMemoryApi::SetSystemInformation(infoClass, buffer, length);
      return infoClass == 80 ? static_cast<int32_t>(0xC0000061) : 0;
    }
  } api;
  const PurgeResult result = PurgeMemory(api);
  EXPECT_EQ(result.sent, 6);
  EXPECT_EQ(result.accepted, 2);
}

TEST(PurgeAreaNames, NamesAreExactAndInRequestOrder) {
  uint32_t previous = 0;
  for (const PurgeAreaName& entry : kPurgeAreaNames) {
    EXPECT_GT(static_cast<uint32_t>(entry.area), previous);
    previous = entry.area;
    EXPECT_EQ(FindPurgeArea(entry.name), entry.area);
  }
  EXPECT_EQ(FindPurgeArea("WorkingSets"), std::nullopt);
  EXPECT_EQ(FindPurgeArea("standby "), std::nullopt);
  EXPECT_EQ(FindPurgeArea(""), std::nullopt);
}

// The system's counters before the purge's first request and from then on.
class PurgingMemory : public FakeMemoryApi {
 public:
  GlobalMemoryCounters afterPurge;
  bool failAfter = false;  // the reading after the purge fails and fills nothing
  std::optional<Bytes> listsAfter;  // the memory-list reply from the purge on
  std::optional<int32_t> listStatusAfter;

  int32_t SetSystemInformation(uint32_t infoClass, void* buffer, uint32_t length) noexcept override {
    counters = afterPurge;
    fillCounters = !failAfter;
    if (listsAfter) replyOf[80] = *listsAfter;
    if (listStatusAfter) queryStatusOf[80] = *listStatusAfter;
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
  api.ReplyFileCache(300 * MiB, 1200 * MiB);  // of no weight here
  // The memory lists cannot be read (as under Wine): the change in use is the measure.
  api.queryStatusOf[80] = static_cast<int32_t>(0xC0000003);
  EXPECT_EQ(PurgeMemoryMeasured(api).freed, c.freed);

  // The purge itself is the same six requests, between a reading before and one after.
  ASSERT_EQ(api.calls.size(), 8u);
  EXPECT_EQ(api.calls.front().kind, RecordedCall::Query);
  EXPECT_EQ(api.calls.front().infoClass, 80u);
  EXPECT_EQ(api.calls.front().length, 176u);
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

// With the memory lists readable, the amount is the growth of free and zeroed memory: what the
// standby list and the modified list gave up counts, whatever "available" did.
struct ListsCase {
  const char* name;
  int32_t statusBefore, statusAfter;  // of the memory-list query
  Bytes before, after;
  uint64_t availBefore, availAfter;  // the fallback's reading, 16 GiB in all
  uint64_t freed;
};

class PurgeMeasuredByLists : public ::testing::TestWithParam<ListsCase> {};

TEST_P(PurgeMeasuredByLists, ReportsTheGrowthOfFreeAndZeroed) {
  const ListsCase& c = GetParam();
  PurgingMemory api;
  api.counters.TotalPhys = 16 * GiB;
  api.counters.AvailPhys = c.availBefore;
  api.afterPurge.TotalPhys = 16 * GiB;
  api.afterPurge.AvailPhys = c.availAfter;
  api.replyOf[80] = c.before;
  api.queryStatusOf[80] = c.statusBefore;
  api.listsAfter = c.after;
  api.listStatusAfter = c.statusAfter;
  EXPECT_EQ(PurgeMemoryMeasured(api).freed, c.freed);
}

constexpr uint64_t kPages1GiB = GiB / 4096;
constexpr int32_t kRefused = static_cast<int32_t>(0xC0000003);
const Bytes kEmptyLists = FakeMemoryApi::MemoryListReply(0, 0, 0, 0);

INSTANTIATE_TEST_SUITE_P(
    Lists, PurgeMeasuredByLists,
    ::testing::Values(
        // Standby purged: 3 GiB moves to the free list; available stays where it was.
        ListsCase{"StandbyBecomesFree", 0, 0, FakeMemoryApi::MemoryListReply(kPages1GiB / 4, kPages1GiB / 4, 0, 4 * kPages1GiB),
                  FakeMemoryApi::MemoryListReply(kPages1GiB / 4, kPages1GiB / 4 + 3 * kPages1GiB, 0, kPages1GiB),
                  5 * GiB, 5 * GiB, 3 * GiB},
        // Zeroed and free both count; the zero-page thread moving pages between them does not.
        ListsCase{"FreeTurnedZeroedCountsOnce", 0, 0, FakeMemoryApi::MemoryListReply(100, 900, 50, 5000),
                  FakeMemoryApi::MemoryListReply(800, 300, 50, 5000), 4 * GiB, 4 * GiB, 100 * 4096},
        ListsCase{"ModifiedWrittenOut", 0, 0, FakeMemoryApi::MemoryListReply(0, 1000, 2000, 0),
                  FakeMemoryApi::MemoryListReply(0, 2500, 0, 500), 4 * GiB, 4 * GiB, 1500 * 4096},
        // Other programs took more than the purge gave: nothing, never less.
        ListsCase{"LessFreeAfter", 0, 0, FakeMemoryApi::MemoryListReply(10, 1000, 0, 100),
                  FakeMemoryApi::MemoryListReply(10, 400, 0, 100), 4 * GiB, 5 * GiB, 0},
        ListsCase{"NoChange", 0, 0, FakeMemoryApi::MemoryListReply(10, 1000, 0, 100),
                  FakeMemoryApi::MemoryListReply(10, 1000, 0, 100), 4 * GiB, 4 * GiB, 0},
        // Either reading refused, or all empty (an answer no machine gives): the change in use.
        ListsCase{"RefusedBefore", kRefused, 0, FakeMemoryApi::MemoryListReply(1, 1, 0, 0),
                  FakeMemoryApi::MemoryListReply(0, kPages1GiB, 0, 0), 4 * GiB, 5 * GiB, GiB},
        ListsCase{"RefusedAfter", 0, kRefused, FakeMemoryApi::MemoryListReply(0, 1, 0, 0),
                  FakeMemoryApi::MemoryListReply(0, kPages1GiB, 0, 0), 4 * GiB, 4 * GiB + MiB, MiB},
        ListsCase{"EmptyAnswer", 0, 0, kEmptyLists, kEmptyLists, 4 * GiB, 4 * GiB + 2 * MiB, 2 * MiB},
        // A count no memory has must not wrap round into a small amount.
        ListsCase{"AbsurdGrowth", 0, 0, FakeMemoryApi::MemoryListReply(0, 1, 0, 0),
                  FakeMemoryApi::MemoryListReply(0, UINT64_MAX / 2, 0, 0), 4 * GiB, 4 * GiB, UINT64_MAX}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace sweeplet
