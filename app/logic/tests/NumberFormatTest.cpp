#include "app/logic/NumberFormat.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace sweeplet {
namespace {

const NumberSeparators kEnglish{",", "."};
const NumberSeparators kGerman{".", ","};
const NumberSeparators kFrench{"\xC2\xA0", ","};  // U+00A0 no-break space
const NumberSeparators kNoGrouping{"", "."};

struct FormatCase {
  const char* format;
  std::vector<double> args;
  NumberSeparators separators;
  const char* expected;
};

class FormatStatusTextTable : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatStatusTextTable, Expands) {
  const FormatCase& c = GetParam();
  EXPECT_EQ(FormatStatusText(c.format, c.args, c.separators), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    StatusTexts, FormatStatusTextTable,
    ::testing::Values(
        FormatCase{"%.0n MB / %.0n MB (Usage: %n%%)", {12288, 16384, 75}, kEnglish,
                   "12,288 MB / 16,384 MB (Usage: 75.00%)"},
        FormatCase{"%.0n MB (%n%%)", {5000, 41.2}, kEnglish, "5,000 MB (41.20%)"},
        FormatCase{"%.0n MB (%n%%)", {5000, 41.2}, kGerman, "5.000 MB (41,20%)"},
        FormatCase{"%.0n MB (%n%%)", {5000, 41.2}, kFrench, "5\xC2\xA0" "000 MB (41,20%)"},
        FormatCase{"%.0n MB (%n%%)", {0, 0}, kEnglish, "0 MB (0.00%)"},
        // The usage arrives as a float widened to double.
        FormatCase{"%n%%", {static_cast<double>(41.2f)}, kEnglish, "41.20%"},
        FormatCase{"%n%%", {static_cast<double>(33.333332f)}, kEnglish, "33.33%"},
        FormatCase{"%n", {1234567890}, kEnglish, "1,234,567,890.00"},
        FormatCase{"%n", {1234567890}, kNoGrouping, "1234567890.00"},
        FormatCase{"%n", {-1234.5}, kEnglish, "-1,234.50"},
        FormatCase{"%.0n", {-999999}, kGerman, "-999.999"},
        FormatCase{"%.3n|%.1n", {1.0625, 2.25}, kEnglish, "1.063|2.3"},
        FormatCase{"%N", {7}, kEnglish, "7.00"},
        FormatCase{"100%% %n", {1}, kEnglish, "100% 1.00"},
        // Faulty formats are shown, not fatal.
        FormatCase{"%n and %n", {1}, kEnglish, "1.00 and %n"},
        FormatCase{"%d %s %", {1}, kEnglish, "%d %s %"},
        FormatCase{"%.2", {1}, kEnglish, "%.2"},
        FormatCase{"\xEC\x82\xAC\xEC\x9A\xA9 %n%%", {75}, kEnglish, "\xEC\x82\xAC\xEC\x9A\xA9 75.00%"}));

struct NumberCase {
  double value;
  int decimals;
  const char* expected;
};

class FormatNumberRounding : public ::testing::TestWithParam<NumberCase> {};

TEST_P(FormatNumberRounding, HalfAwayFromZeroOnTheShortestText) {
  EXPECT_EQ(FormatNumber(GetParam().value, GetParam().decimals, kEnglish), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, FormatNumberRounding,
    ::testing::Values(NumberCase{0.125, 2, "0.13"}, NumberCase{-0.125, 2, "-0.13"}, NumberCase{2.675, 2, "2.68"},
                      NumberCase{0.5, 0, "1"}, NumberCase{1.5, 0, "2"}, NumberCase{2.5, 0, "3"},
                      NumberCase{-2.5, 0, "-3"}, NumberCase{0.4999, 0, "0"}, NumberCase{0.004, 2, "0.00"},
                      NumberCase{-0.004, 2, "0.00"}, NumberCase{-0.0, 2, "0.00"}, NumberCase{999.995, 2, "1,000.00"},
                      NumberCase{999999.5, 0, "1,000,000"}, NumberCase{99.999, 2, "100.00"},
                      NumberCase{1e20, 0, "100,000,000,000,000,000,000"}, NumberCase{5e-324, 2, "0.00"},
                      NumberCase{std::numeric_limits<double>::quiet_NaN(), 2, "NAN"},
                      NumberCase{-std::numeric_limits<double>::infinity(), 2, "-INF"}));

TEST(FormatNumber, LargeWholeNumbersShowEveryDigit) {
  EXPECT_EQ(FormatNumber(0x1p100, 2, kEnglish), "1,267,650,600,228,229,401,496,703,205,376.00");
  const std::string largest = FormatNumber(std::numeric_limits<double>::max(), 2, kEnglish);
  EXPECT_EQ(largest.size(), 309u + 102u + 3u);  // digits, separators, decimals
  EXPECT_EQ(largest.substr(0, 15), "179,769,313,486");
  EXPECT_EQ(largest.substr(largest.size() - 10), "858,368.00");
}

struct RoundCase {
  double value;
  double expected;
};

class RoundHalfEvenTable : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundHalfEvenTable, TiesGoToEven) { EXPECT_EQ(RoundHalfEven(GetParam().value), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Values, RoundHalfEvenTable,
                         ::testing::Values(RoundCase{0.5, 0}, RoundCase{1.5, 2}, RoundCase{2.5, 2}, RoundCase{3.5, 4},
                                           RoundCase{-0.5, 0}, RoundCase{-1.5, -2}, RoundCase{-2.5, -2},
                                           RoundCase{2.4999999, 2}, RoundCase{2.5000001, 3}, RoundCase{74.6, 75},
                                           RoundCase{4503599627370497.0, 4503599627370497.0}, RoundCase{0, 0}));

}  // namespace
}  // namespace sweeplet
