#include "i18n/TranslationTable.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sweeplet {
namespace {

using ::testing::ElementsAreArray;
using Lines = std::vector<std::string>;

struct SplitCase {
  const char* name;
  std::string bytes;
  Lines lines;
};

class SplitTableLinesTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTableLinesTest, Splits) { EXPECT_THAT(SplitTableLines(GetParam().bytes), ElementsAreArray(GetParam().lines)); }

INSTANTIATE_TEST_SUITE_P(
    Bytes, SplitTableLinesTest,
    ::testing::Values(
        SplitCase{"Nothing", "", {}},
        SplitCase{"OnlyByteOrderMark", "\xEF\xBB\xBF", {}},
        SplitCase{"TableShape", "\xEF\xBB\xBFko=\xEA\xB0\x80\r\nen=A\r\n\r\nko=B\r\n\r\n", {"ko=\xEA\xB0\x80", "en=A", "", "ko=B", ""}},
        SplitCase{"EveryKindOfLineEnd", "a\rb\nc\r\nd", {"a", "b", "c", "d"}},
        SplitCase{"FinalCrLfAddsNoLine", "a\r\n", {"a"}},
        SplitCase{"FinalCrAddsNoLine", "a\r", {"a"}},
        SplitCase{"FinalLfAddsNoLine", "a\n", {"a"}},
        SplitCase{"LoneLineEnd", "\r\n", {""}},
        SplitCase{"LfThenCrAreTwoEnds", "\n\r", {"", ""}},
        SplitCase{"CrThenCrLf", "a\r\r\nb", {"a", "", "b"}},
        SplitCase{"SpacesAreALine", "a\r\n  \r\nb", {"a", "  ", "b"}},
        SplitCase{"SecondByteOrderMarkIsText", "\xEF\xBB\xBF\xEF\xBB\xBFx", {"\xEF\xBB\xBFx"}},
        SplitCase{"ByteOrderMarkLaterIsText", "x\r\n\xEF\xBB\xBFy", {"x", "\xEF\xBB\xBFy"}},
        SplitCase{"TruncatedByteOrderMark", "\xEF\xBB", {"\xEF\xBF\xBD\xEF\xBF\xBD"}},
        SplitCase{"MalformedUtf8BecomesReplacement", "ko=\xC3\r\nen=\xFF\x41", {"ko=\xEF\xBF\xBD", "en=\xEF\xBF\xBD" "A"}},
        SplitCase{"TruncatedSequenceBeforeLineEnd", "\xE2\x82\r\nb", {"\xEF\xBF\xBD\xEF\xBF\xBD", "b"}},
        SplitCase{"NulIsKept", std::string("a\0b", 3), {std::string("a\0b", 3)}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExpandLineBreaks, BackslashNBecomesOneCarriageReturn) {
  EXPECT_EQ(ExpandLineBreaks("one\\ntwo\\n"), "one\rtwo\r");
  EXPECT_EQ(ExpandLineBreaks("\\\\n"), "\\\r");  // pairs are taken left to right
  EXPECT_EQ(ExpandLineBreaks("\\N \\ n \\"), "\\N \\ n \\");
  EXPECT_EQ(ExpandLineBreaks(""), "");
}

// Small tables that isolate one rule of the lookup each.
struct LookupCase {
  const char* name;
  Lines table;
  std::string key;
  std::string lang;
  std::string expected;
};

class TranslationTableLookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(TranslationTableLookup, Translates) {
  const LookupCase& c = GetParam();
  EXPECT_EQ(TranslationTable(c.table).Translate(c.key, c.lang), c.expected);
}

const Lines kTwoBlocks = {"ko=\xEC\x97\xB4\xEA\xB8\xB0", "en=Open", "fr=Ouvrir", "", "ko=\xEC\xA2\x85\xEB\xA3\x8C", "en=Quit", ""};

INSTANTIATE_TEST_SUITE_P(
    Rules, TranslationTableLookup,
    ::testing::Values(
        LookupCase{"KoreanKey", kTwoBlocks, "\xEC\x97\xB4\xEA\xB8\xB0", "fr", "Ouvrir"},
        LookupCase{"KeyOnLastLineOfBlockFindsBlockStart", kTwoBlocks, "Ouvrir", "ko", "\xEC\x97\xB4\xEA\xB8\xB0"},
        LookupCase{"SecondBlock", kTwoBlocks, "Quit", "ko", "\xEC\xA2\x85\xEB\xA3\x8C"},
        LookupCase{"MissingLanguageFallsBackToEnglish", kTwoBlocks, "\xEC\xA2\x85\xEB\xA3\x8C", "fr", "Quit"},
        LookupCase{"LanguageCodeIsCaseSensitive", kTwoBlocks, "Open", "FR", "Open"},
        LookupCase{"EnglishTwice", kTwoBlocks, "Ouvrir", "en", "Open"},
        LookupCase{"AsciiCaseFolds", kTwoBlocks, "oPEN", "fr", "Ouvrir"},
        LookupCase{"NonAsciiMustMatchExactly", {"ko=\xEA\xB0\x80", "fr=M\xC3\xA9moire", "en=Memory"}, "M\xC3\x89MOIRE", "en",
                   "M\xC3\x89MOIRE"},
        LookupCase{"MixedCaseAroundNonAscii", {"ko=\xEA\xB0\x80", "fr=M\xC3\xA9moire", "en=Memory"}, "m\xC3\xA9MOIRE", "en",
                   "Memory"},
        LookupCase{"FirstMatchInFileOrder", {"ko=A", "en=first", "", "ko=a", "en=second"}, "a", "en", "first"},
        LookupCase{"TextIsAfterFirstEquals", {"ko=a=b", "en=c=d"}, "a=b", "en", "c=d"},
        LookupCase{"CodeIsBeforeFirstEquals", {"ko=a=b", "en=c=d"}, "b", "en", "b"},
        LookupCase{"LineWithoutEqualsHasNoText", {"ko", "en=x"}, "ko", "en", "ko"},
        LookupCase{"LineOfSpacesDoesNotSeparate", {"ko=a", "  ", "en=b"}, "b", "ko", "a"},
        LookupCase{"NoLineInEitherLanguageGivesKey", {"ko=a\\nb", "ja=c"}, "A\\nB", "fr", "A\rB"},
        LookupCase{"FoundTextHasLineBreaksExpanded", {"ko=a\\nb", "en=c\\nd"}, "a\\nb", "en", "c\rd"},
        LookupCase{"KeyIsComparedBeforeExpansion", {"ko=a\\nb", "en=c"}, "a\rb", "en", "a\rb"},
        LookupCase{"EmptyKeyMatchesNothing", {"ko=", "en=x"}, "", "en", ""},
        LookupCase{"EmptyLanguageMatchesUncodedLine", {"=x", "en=y"}, "y", "", "x"},
        LookupCase{"BlockEndsAtTableEnd", {"", "ko=a", "en=b"}, "a", "en", "b"},
        LookupCase{"EmptyTableGivesKey", {}, "a\\nb", "en", "a\rb"}),
    [](const auto& info) { return std::string(info.param.name); });

class ModuleState : public ::testing::Test {
 protected:
  void TearDown() override { ReleaseTranslation(); }
};

TEST_F(ModuleState, EmptyLanguageMeansCurrentLanguage) {
  LoadTranslationTable("ko=a\r\nen=b\r\nfr=c\r\n\r\n");
  SetCurrentLanguage("fr");
  EXPECT_EQ(CurrentLanguage(), "fr");
  EXPECT_EQ(Translate("a"), "c");
  EXPECT_EQ(Translate("a", "ko"), "a");
  EXPECT_EQ(CurrentLanguage(), "fr");  // a given language does not change the current one
}

TEST_F(ModuleState, ReleaseEmptiesTableAndLanguage) {
  SetTranslationTable(TranslationTable({"ko=a", "en=b"}));
  SetCurrentLanguage("en");
  ASSERT_EQ(Translate("a"), "b");
  ReleaseTranslation();
  EXPECT_EQ(CurrentLanguage(), "");
  EXPECT_EQ(Translate("a", "en"), "a");
}

}  // namespace
}  // namespace sweeplet
