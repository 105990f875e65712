#include "memory/MemoryPurge.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace sweeplet
