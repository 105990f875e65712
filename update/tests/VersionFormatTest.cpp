#include "update/VersionFormat.h"

#include <gtest/gtest.h>

namespace sweeplet {
namespace {

struct FormatCase {
  const char* pattern;
  VersionNumbers numbers;
  const char* expected;
};

class FormatVersionTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatVersionTest, FillsPlaceholders) {
  EXPECT_EQ(FormatVersion(GetParam().pattern, GetParam().numbers), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FormatVersionTest,
                         testing::Values(FormatCase{"%d.%d.%d.%d", {1, 9, 0, 0}, "1.9.0.0"},
                                         FormatCase{"%d.%d.%d", {1, 9, 0, 0}, "1.9.0"},
                                         FormatCase{"%d", {1, 9, 0, 0}, "1"},
                                         FormatCase{"v%d (build %d)", {2, 10, 3, 4}, "v2 (build 10)"},
                                         FormatCase{"%d.%d.%d.%d", {65535, 0, 65535, 7}, "65535.0.65535.7"},
                                         FormatCase{"%d.%d.%d.%d.%d", {1, 2, 3, 4}, "1.2.3.4.%d"},
                                         FormatCase{"100%% %d", {5, 0, 0, 0}, "100% 5"},
                                         FormatCase{"%x %", {5, 0, 0, 0}, "%x %"},
                                         FormatCase{"", {1, 2, 3, 4}, ""}));

}  // namespace
}  // namespace sweeplet
