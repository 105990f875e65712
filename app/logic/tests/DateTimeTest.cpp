#include "app/logic/DateTime.h"

#include <gtest/gtest.h>

#include <cmath>

namespace sweeplet {
namespace {

struct DateCase {
  LocalDateTime time;
  double expected;
};

class ToDateTimeTable : public ::testing::TestWithParam<DateCase> {};

TEST_P(ToDateTimeTable, CountsDaysFromTheEpoch) { EXPECT_DOUBLE_EQ(ToDateTime(GetParam().time), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Dates, ToDateTimeTable,
                         ::testing::Values(DateCase{{1899, 12, 30, 0, 0, 0, 0}, 0.0},
                                           DateCase{{1899, 12, 31, 12, 0, 0, 0}, 1.5},
                                           DateCase{{1900, 1, 1, 0, 0, 0, 0}, 2.0},
                                           DateCase{{1900, 3, 1, 0, 0, 0, 0}, 61.0},  // 1900 had no 29 February
                                           DateCase{{2000, 1, 1, 18, 0, 0, 0}, 36526.75},
                                           DateCase{{2024, 2, 29, 6, 0, 0, 0}, 45351.25},
                                           DateCase{{1899, 12, 29, 6, 0, 0, 0}, -1.25}));

LocalDateTime At(int hour, int minute, int second, int ms = 0, int day = 15) {
  return {2024, 5, day, hour, minute, second, ms};
}

struct SecondsCase {
  LocalDateTime a;
  LocalDateTime b;
  int64_t expected;
};

class WholeSecondsTable : public ::testing::TestWithParam<SecondsCase> {};

TEST_P(WholeSecondsTable, AbsoluteAndTruncated) {
  const double a = ToDateTime(GetParam().a);
  const double b = ToDateTime(GetParam().b);
  EXPECT_EQ(WholeSecondsBetween(a, b), GetParam().expected);
  EXPECT_EQ(WholeSecondsBetween(b, a), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Spans, WholeSecondsTable,
                         ::testing::Values(SecondsCase{At(10, 0, 0), At(10, 0, 0), 0},
                                           SecondsCase{At(10, 5, 0), At(10, 0, 0), 300},
                                           SecondsCase{At(10, 4, 59, 999), At(10, 0, 0), 299},
                                           SecondsCase{At(10, 0, 1, 1), At(10, 0, 0, 2), 0},
                                           SecondsCase{At(0, 2, 0, 0, 16), At(23, 58, 30, 0, 15), 210},
                                           SecondsCase{{2024, 1, 1, 0, 0, 0, 0}, {2023, 1, 1, 0, 0, 0, 0}, 31536000}));

TEST(WholeSeconds, MillisecondsOfTheDayAreWhole) {
  const double t = ToDateTime(At(13, 37, 42, 123));
  EXPECT_EQ(ToWholeMilliseconds(t) - ToWholeMilliseconds(ToDateTime(At(0, 0, 0))), 49062123);
}

TEST(WholeSeconds, OutlandishValuesDoNotOverflow) {
  EXPECT_GT(WholeSecondsBetween(1e300, -1e300), 0);
  EXPECT_EQ(WholeSecondsBetween(std::nan(""), 0.0), 0);
}

}  // namespace
}  // namespace sweeplet
