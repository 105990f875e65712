#include "app/logic/UserLocale.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/logic/DateTime.h"

namespace sweeplet {
namespace {

struct KnownLocale {
  const wchar_t* name;
  const char* thousands;
  const char* decimal;
};

// The test runs under several user locales; each one it knows is checked exactly.
TEST(UserLocale, SeparatorsOfTheUserLocale) {
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  ASSERT_GT(::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH), 0);
  constexpr KnownLocale kKnown[] = {
      {L"en-US", ",", "."}, {L"de-DE", ".", ","}, {L"fr-FR", "\xC2\xA0", ","}};
  const NumberSeparators separators = ReadUserNumberSeparators();
  for (const auto& known : kKnown) {
    if (std::wstring(name) != known.name) continue;
    EXPECT_EQ(separators.thousands, known.thousands);
    EXPECT_EQ(separators.decimal, known.decimal);
    EXPECT_EQ(FormatNumber(1234567890, 2, separators),
              std::string("1") + known.thousands + "234" + known.thousands + "567" + known.thousands + "890" +
                  known.decimal + "00");
    return;
  }
  EXPECT_FALSE(separators.decimal.empty());
  GTEST_SKIP() << "no expectations for this locale";
}

TEST(UserLocale, NowIsTheLocalClock) {
  SYSTEMTIME before{}, after{};
  ::GetLocalTime(&before);
  const double now = NowAsDateTime();
  ::GetLocalTime(&after);
  auto toDateTime = [](const SYSTEMTIME& st) {
    return ToDateTime({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds});
  };
  EXPECT_LE(toDateTime(before), now);
  EXPECT_GE(toDateTime(after), now);
  EXPECT_GT(now, ToDateTime({2020, 1, 1, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace sweeplet
