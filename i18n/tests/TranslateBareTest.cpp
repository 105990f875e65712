// A program without the embedded table: every text stays as the window defines it, in Korean.
#include <gtest/gtest.h>

#include "common/UniqueHandle.h"
#include "i18n/TranslateWin.h"

namespace sweeplet {
namespace {

TEST(WithoutTable, EverythingStaysKorean) {
  InitTranslation();
  EXPECT_EQ(CurrentLanguage(), DetectLanguage().substr(0, 2));
  for (const char* lang : {"", "en", "fr", "ko"}) {
    EXPECT_EQ(Translate("정리하기", lang), "정리하기") << lang;
    EXPECT_EQ(Translate("워킹 셋", lang), "워킹 셋") << lang;
  }
  EXPECT_EQ(TranslateW(L"처음화면", L"ja"), L"처음화면");
  EXPECT_EQ(Translate("줄\\n바꿈", "en"), "줄\r바꿈");
  ReleaseTranslation();
}

TEST(WithoutTable, WalkLeavesWindowAlone) {
  InitTranslation();
  const HWND window = ::CreateWindowExW(0, L"STATIC", L"처음화면", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                        nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  const HWND label = ::CreateWindowExW(0, L"STATIC", L"실제 메모리", WS_CHILD, 0, 0, 50, 20, window, nullptr, nullptr, nullptr);
  TranslateComponent(window, nullptr, L"en");
  wchar_t text[64] = {};
  ::GetWindowTextW(window, text, 64);
  EXPECT_STREQ(text, L"처음화면");
  ::GetWindowTextW(label, text, 64);
  EXPECT_STREQ(text, L"실제 메모리");
  ::DestroyWindow(window);
  ReleaseTranslation();
}

}  // namespace
}  // namespace sweeplet
