#include "update/ClientIdLayout.h"

#include <gtest/gtest.h>

namespace sweeplet {
namespace {

struct LayoutCase {
  ClientIdParts parts;
  const char* expected;
};

class MakeClientIdTest : public testing::TestWithParam<LayoutCase> {};

TEST_P(MakeClientIdTest, LaysOutTheRuns) {
  const std::string id = MakeClientId(GetParam().parts);
  EXPECT_EQ(id, GetParam().expected);
  EXPECT_EQ(id.size(), 32u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MakeClientIdTest,
    testing::Values(
        // random1 | yymmdd | random2 | hhnnss | random3
        LayoutCase{{0x1A2B3C, 2024, 3, 7, 0xBEEF, 9, 5, 1, 0xABCDEF}, "001A2B3C240307BEEF09050100ABCDEF"},
        LayoutCase{{0x7FFFFFFE, 2099, 12, 31, 0xFFFE, 23, 59, 59, 0x7FFFFFFE}, "7FFFFFFE991231FFFE2359597FFFFFFE"},
        LayoutCase{{0, 2000, 1, 1, 0, 0, 0, 0, 0}, "00000000000101000000000000000000"},
        LayoutCase{{1, 1999, 10, 9, 0x12345, 12, 0, 30, 2}, "00000001991009234512003000000002"}));

}  // namespace
}  // namespace sweeplet
