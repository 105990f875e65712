#include "update/Strings.h"

#include <gtest/gtest.h>

namespace sweeplet {
namespace {

constexpr char kUpdateTag[] = "\"update\":\"";

struct BetweenCase {
  const char* name;
  const char* source;
  const char* start;
  const char* end;
  const char* expected;
};

class TextBetweenTest : public testing::TestWithParam<BetweenCase> {};

TEST_P(TextBetweenTest, CutsTheValue) {
  const BetweenCase& c = GetParam();
  EXPECT_EQ(TextBetween(c.source, c.start, c.end), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextBetweenTest,
    testing::Values(
        BetweenCase{"Plain", R"({"update":"https://a.example/x"})", kUpdateTag, "\"", "https://a.example/x"},
        BetweenCase{"KeyInCapitalsValueKeepsCase", R"({"UPDATE":"https://A.example/X"})", kUpdateTag, "\"",
                    "https://A.example/X"},
        BetweenCase{"TagInCapitalsFindsLowerKey", R"({"update":"v"})", "\"UPDATE\":\"", "\"", "v"},
        BetweenCase{"EscapedQuoteDoesNotEnd", R"({"update":"say \"hi\" now","x":"y"})", kUpdateTag, "\"",
                    R"(say \"hi\" now)"},
        // Two backslashes before the closing quote still hide it; the next quote ends the value.
        BetweenCase{"EscapedBackslashHidesClosingQuote", R"({"update":"a\\","next":"b"})", kUpdateTag, "\"",
                    R"(a\\",)"},
        BetweenCase{"FirstOccurrenceWinsEvenInsideAnotherField",
                    R"({"info":{"text":"t","update":"inner"},"update":"outer"})", kUpdateTag, "\"", "inner"},
        BetweenCase{"EmptyValue", R"({"update":"","notify":"n"})", kUpdateTag, "\"", ""},
        BetweenCase{"BlankAfterColonIsNotTheKey", R"({"update": "v"})", kUpdateTag, "\"", ""},
        BetweenCase{"MissingStart", R"({"notify":"v"})", kUpdateTag, "\"", ""},
        BetweenCase{"MissingEnd", R"({"update":"unterminated)", kUpdateTag, "\"", ""},
        BetweenCase{"EndSearchedOnlyAfterStart", "xaby", "a", "x", ""},
        BetweenCase{"EmptyStartMeansBeginning", "abc\"def", "", "\"", "abc"},
        BetweenCase{"EmptyEndMeansEnd", "key=value", "KEY=", "", "value"},
        BetweenCase{"BraceEndIgnoresQuotes", R"("info":{"text":"a}b"})", "\"info\":{", "}", R"("text":"a)"},
        BetweenCase{"SingleQuoteEndHonoursItsEscape", R"(v='it\'s' x)", "v='", "'", R"(it\'s)"},
        BetweenCase{"NonAsciiValueCutIntact", "{\"notify\":\"https://a.example/\xc3\xa9\xed\x95\x9c\"}",
                    "\"notify\":\"", "\"", "https://a.example/\xc3\xa9\xed\x95\x9c"},
        BetweenCase{"EmptySource", "", kUpdateTag, "\"", ""}),
    [](const testing::TestParamInfo<BetweenCase>& info) { return std::string(info.param.name); });

struct UnescapeCase {
  const char* name;
  const char* text;
  const char* expected;  // nullptr: malformed
};

class UnescapeTextTest : public testing::TestWithParam<UnescapeCase> {};

TEST_P(UnescapeTextTest, Resolves) {
  const UnescapeCase& c = GetParam();
  const auto result = UnescapeText(c.text);
  if (c.expected == nullptr) {
    EXPECT_FALSE(result.has_value()) << *result;
  } else {
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnescapeTextTest,
    testing::Values(UnescapeCase{"NoEscapes", "https://a.example/x?y=1", "https://a.example/x?y=1"},
                    UnescapeCase{"Quote", R"(say \"hi\")", "say \"hi\""},
                    UnescapeCase{"QuoteSlashBackslash", R"(\'\/\\)", "'/\\"},
                    UnescapeCase{"JsonSlashes", R"(https:\/\/a.example\/x)", "https://a.example/x"},
                    UnescapeCase{"ControlLetters", R"(\b\f\n\r\t)", "\b\f\n\r\t"},
                    UnescapeCase{"FourHexDigits", R"(caf\u00e9!)", "caf\xc3\xa9!"},
                    UnescapeCase{"UpperCaseHex", R"(\u00C9)", "\xc3\x89"},
                    UnescapeCase{"ReadsOnlyFourDigits", R"(\u0041BC)", "ABC"},
                    UnescapeCase{"UnknownEscapeDisappears", R"(a\qb)", "ab"},
                    UnescapeCase{"CapitalUIsUnknown", R"(\U0041)", "0041"},
                    UnescapeCase{"OneDigitAtEnd", R"(x\u4)", "x\x04"},
                    UnescapeCase{"TwoDigitsAtEnd", R"(\u41)", "A"},
                    UnescapeCase{"ThreeDigitsAtEnd", R"(\u414)", "\xd0\x94"},
                    UnescapeCase{"BackslashAtEndDropped", "ab\\", "ab"},
                    UnescapeCase{"SurrogatePairJoined", R"(\ud83d\ude00)", "\xf0\x9f\x98\x80"},
                    UnescapeCase{"LoneHighSurrogate", R"(\ud83dx)", "\xef\xbf\xbdx"},
                    UnescapeCase{"LoneLowSurrogate", R"(\ude00)", "\xef\xbf\xbd"},
                    UnescapeCase{"Utf8PassesThrough", "\xed\x95\x9c\\n", "\xed\x95\x9c\n"},
                    UnescapeCase{"EmptyText", "", ""},
                    UnescapeCase{"UAsLastTwoCharacters", R"(abc\u)", nullptr},
                    UnescapeCase{"NonHexDigit", R"(\u12G4)", nullptr},
                    UnescapeCase{"NonHexLetterAtEnd", R"(\uq)", nullptr},
                    UnescapeCase{"SignIsNotHex", R"(\u-001)", nullptr}),
    [](const testing::TestParamInfo<UnescapeCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace sweeplet
