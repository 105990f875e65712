// The texts a job and the tick show outside the window, against the translation table as it lies
// in the source tree.
#include "app/logic/TrayTexts.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "i18n/TranslationTable.h"

namespace sweeplet {
namespace {

constexpr uint64_t MiB = uint64_t{1} << 20;
constexpr uint64_t GiB = uint64_t{1} << 30;
const NumberSeparators kEnglish{",", "."};
const NumberSeparators kFrench{"\xC2\xA0", ","};

// The Korean keys, as the window passes them.
constexpr const char* kCleanedKey = "메모리를 정리하였습니다.";
constexpr const char* kFreedKey = "확보한 메모리: %s";
constexpr const char* kNothingKey = "더 정리할 메모리가 없습니다.";

class TrayTexts : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::ifstream in(SWEEPLET_TRANSLATE_TXT, std::ios::binary);
    LoadTranslationTable(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
  }
  static void TearDownTestSuite() { ReleaseTranslation(); }

  static std::string FreedLine(uint64_t bytes, const char* lang, const NumberSeparators& separators) {
    std::string line;
    AppendFreedLine(line, bytes, Translate(kFreedKey, lang), Translate(kNothingKey, lang), separators);
    return line;
  }
};

struct FreedCase {
  const char* name;
  uint64_t bytes;
  std::string expected;
};

class FreedLines : public TrayTexts, public ::testing::WithParamInterface<FreedCase> {};

TEST_P(FreedLines, ShowWholeMegabytesOrSayNothingWasFreed) {
  EXPECT_EQ(FreedLine(GetParam().bytes, "en", kEnglish), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    English, FreedLines,
    ::testing::Values(FreedCase{"Grouped", 2 * GiB + 300 * MiB, "Freed: 2,348 MB"},
                      FreedCase{"OneMegabyte", MiB, "Freed: 1 MB"},
                      FreedCase{"JustOverHalf", MiB / 2 + 1, "Freed: 1 MB"},
                      // Rounded as the status lines round: half a megabyte goes to the even 0.
                      FreedCase{"ExactlyHalf", MiB / 2, "Nothing more to free."},
                      FreedCase{"Zero", 0, "Nothing more to free."},
                      FreedCase{"Huge", ~uint64_t{0}, "Freed: 17,592,186,044,416 MB"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TrayTexts, AFormatWithoutPlaceholderStillShowsTheAmount) {
  std::string line = "kept ";
  AppendFreedLine(line, 3 * MiB, "Freed", "none", kEnglish);
  EXPECT_EQ(line, "kept Freed 3 MB");
}

// The notification keeps its first line and adds the freed line, in the user's language.
TEST_F(TrayTexts, NotificationTextsInEnglishAndFrench) {
  struct Row {
    const char* lang;
    const NumberSeparators& separators;
    uint64_t freed;
    std::string expected;
  };
  const Row rows[] = {
      {"en", kEnglish, 1234 * MiB, "Optimized memory.\nFreed: 1,234 MB"},
      {"en", kEnglish, 0, "Optimized memory.\nNothing more to free."},
      {"fr", kFrench, 1234 * MiB, "Mémoire optimisée.\nMémoire libérée : 1\xC2\xA0" "234 MB"},
      {"fr", kFrench, 100, "Mémoire optimisée.\nRien de plus à libérer."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.lang) + " " + std::to_string(row.freed));
    EXPECT_EQ(CompletionNotice(Translate(kCleanedKey, row.lang), FreedLine(row.freed, row.lang, row.separators)),
              row.expected);
  }
}

TrayTipTexts EnglishTip() { return {"Sweeplet 1.9.0", "Physical", "Virtual"}; }

TEST_F(TrayTexts, TooltipForTwoSnapshots) {
  std::string tip;
  ComposeTrayTip(tip, EnglishTip(), 45.4f, 30.5f, "");  // whole percent, ties to even
  EXPECT_EQ(tip, "Sweeplet 1.9.0\nPhysical 45 % \xC2\xB7 Virtual 30 %");
  ComposeTrayTip(tip, EnglishTip(), 75.0f, 100.0f, "Freed: 2,348 MB");
  EXPECT_EQ(tip, "Sweeplet 1.9.0\nPhysical 75 % \xC2\xB7 Virtual 100 %\nFreed: 2,348 MB");
}

TEST_F(TrayTexts, TooltipReusesItsRoom) {
  std::string tip;
  ComposeTrayTip(tip, EnglishTip(), 100.0f, 100.0f, "Nothing more to free.");
  const char* room = tip.data();
  ComposeTrayTip(tip, EnglishTip(), 3.0f, 4.0f, "");
  ComposeTrayTip(tip, EnglishTip(), 99.0f, 100.0f, "Freed: 1 MB");
  EXPECT_EQ(tip.data(), room);
}

// The longest tooltip each language can make: the widest version, full use, and the longer of
// the two freed lines with the largest amount there is.
TEST_F(TrayTexts, TheLongestTooltipFitsTheShellsLimitInEveryLanguage) {
  for (const char* lang : {"ko", "en", "ja", "zh", "ru", "it", "fr", "ar"}) {
    SCOPED_TRACE(lang);
    const TrayTipTexts texts{Translate("Sweeplet", lang) + " 65535.65535.65535", Translate("실제 메모리", lang),
                             Translate("가상 메모리", lang)};
    for (const uint64_t freed : {uint64_t{0}, ~uint64_t{0}}) {
      std::string tip;
      ComposeTrayTip(tip, texts, 100.0f, 100.0f, FreedLine(freed, lang, kFrench));
      EXPECT_LE(Utf16Length(tip), kTrayTipLimit) << tip;
    }
  }
}

TEST(Utf16Length, CountsUnitsAsTheShellDoes) {
  EXPECT_EQ(Utf16Length(""), 0u);
  EXPECT_EQ(Utf16Length("Sweeplet"), 8u);
  EXPECT_EQ(Utf16Length("\xC2\xB7"), 1u);            // U+00B7
  EXPECT_EQ(Utf16Length("메모리"), 3u);
  EXPECT_EQ(Utf16Length("\xF0\x9F\x98\x80"), 2u);    // beyond the first plane: a surrogate pair
}

}  // namespace
}  // namespace sweeplet
