#include "common/Utf.h"

#include <gtest/gtest.h>

namespace sweeplet {
namespace {

struct UtfCase {
  std::string utf8;
  std::u16string utf16;
};

class UtfRoundTrip : public ::testing::TestWithParam<UtfCase> {};

TEST_P(UtfRoundTrip, BothDirections) {
  EXPECT_EQ(Utf8ToUtf16(GetParam().utf8), GetParam().utf16);
  EXPECT_EQ(Utf16ToUtf8(GetParam().utf16), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(Texts, UtfRoundTrip,
                         ::testing::Values(UtfCase{"", u""}, UtfCase{"Home", u"Home"},
                                           UtfCase{"\xEC\xA0\x95\xEB\xA6\xAC", u"\uC815\uB9AC"},
                                           UtfCase{"m\xC3\xA9moire", u"m\u00E9moire"},
                                           UtfCase{"\xF0\x9F\x98\x80", u"\U0001F600"}));

TEST(Utf, MalformedInputBecomesReplacementCharacter) {
  EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");          // truncated sequence at the end
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");  // encoded surrogate
  EXPECT_EQ(Utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
}

}  // namespace
}  // namespace sweeplet
