// The embedded table, the user's language and the translation of a window, on a small window
// built like the main one: a title label, plain and owner-drawn buttons, nested controls, lists,
// an edit field and a popup menu, all with Korean captions.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "common/Dpi.h"
#include "common/UniqueHandle.h"
#include "common/Utf.h"
#include "common/tests/win/TestMachine.h"
#include "i18n/TranslateWin.h"

namespace sweeplet {
namespace {

using ::testing::ElementsAre;

std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  ::GetWindowTextW(window, text, 256);
  return text;
}

std::vector<std::wstring> ItemsOf(HWND comboBox) {
  std::vector<std::wstring> items;
  const LRESULT count = ::SendMessageW(comboBox, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    ::SendMessageW(comboBox, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    items.emplace_back(text);
  }
  return items;
}

std::wstring MenuText(HMENU menu, UINT position) {
  wchar_t text[256] = {};
  ::GetMenuStringW(menu, position, text, 256, MF_BYPOSITION);
  return text;
}

TEST(EmbeddedTable, LoadsFromTheExecutable) {
  InitTranslation();
  EXPECT_EQ(Translate("정리하기", "fr"), "Nettoyer la mémoire");
  EXPECT_EQ(TranslateW(L"CLEAN MEMORY", L"ja"), L"メモリをクリーン");
  EXPECT_EQ(TranslateW(L"워킹 셋", L"en"), L"Working set");
  EXPECT_EQ(TranslateW(L"Optimized memory.", L"ar"), L"تم تحسين الذاكرة");
  ReleaseTranslation();
}

// The main window gives each of its three usage labels 70 pixels at 96 DPI, in the desktop font.
// A static control wraps a text that is wider, and at the label's one line of height the rest
// would be cut off.
class UsageLabel : public ::testing::TestWithParam<UINT> {};

TEST_P(UsageLabel, EnglishCaptionsFitTheLabelWidth) {
  const UINT dpi = GetParam();
  InitTranslation();
  LOGFONTW lf = DesktopFont(dpi);
  const UniqueFont font(::CreateFontIndirectW(&lf));
  ASSERT_TRUE(font);
  HDC screen = ::GetDC(nullptr);
  const HGDIOBJ previous = ::SelectObject(screen, font.get());
  for (const wchar_t* key : {L"실제 메모리", L"가상 메모리", L"워킹 셋"}) {
    const std::wstring caption = TranslateW(key, L"en");
    EXPECT_EQ(caption.find_first_not_of(L" ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"), std::wstring::npos)
        << "not English: " << Narrow(caption);
    SIZE size{};
    EXPECT_TRUE(::GetTextExtentPoint32W(screen, caption.c_str(), static_cast<int>(caption.size()), &size));
    EXPECT_GT(size.cx, 0);
    EXPECT_LE(size.cx, Scale(70, dpi)) << Narrow(caption) << " at " << dpi << " DPI";
  }
  ::SelectObject(screen, previous);
  ::ReleaseDC(nullptr, screen);
  ReleaseTranslation();
}

INSTANTIATE_TEST_SUITE_P(Dpi, UsageLabel, ::testing::Values(96u, 192u));

// Run once as is, and again by CTest under other locales with the language it should find.
TEST(UserLanguage, FollowsTheUserLocale) {
  if (std::getenv("SWEEPLET_EXPECTED_LANGUAGE") && !testing::UnderWine()) {
    GTEST_SKIP() << "meant for Wine: the other locales come from LC_ALL, which only Wine reads";
  }
  const std::string detected = DetectLanguage();
  ASSERT_GE(detected.size(), 2u);
  for (const char c : detected) EXPECT_TRUE(c >= 'a' && c <= 'z') << detected;
  InitTranslation();
  EXPECT_EQ(CurrentLanguage(), detected.substr(0, 2));
  if (const char* expected = std::getenv("SWEEPLET_EXPECTED_LANGUAGE")) {
    EXPECT_EQ(detected, expected);
    // Hawaiian's three-letter name is cut to "ha", which the table lacks: English is used.
    const std::map<std::string, std::string> cleanCaption = {
        {"ja", "メモリをクリーン"}, {"zh", "清理内存"}, {"ko", "정리하기"}, {"ar", "تنظيف الذاكرة"},
        {"haw", "Clean memory"}};
    ASSERT_EQ(cleanCaption.count(expected), 1u) << expected;
    EXPECT_EQ(Translate("정리하기"), cleanCaption.at(expected));
  }
  ReleaseTranslation();
}

// Under each of the locales above too: right to left exactly where the user's language is written so.
TEST(UserLanguage, ReadsRightToLeftOnlyWhereTheLanguageIsWrittenSo) {
  if (::GetSystemMetrics(SM_MIDEASTENABLED)) {
    EXPECT_TRUE(ReadsRightToLeft()) << "the system's right-to-left support counts for every language";
    return;
  }
  const std::string language = DetectLanguage();
  const bool rightToLeft = language == "ar" || language == "he" || language == "fa" || language == "ur";
  EXPECT_EQ(rightToLeft, ReadsRightToLeft()) << language;
}

constexpr wchar_t kWindowClass[] = L"SweepletTranslateTestWindow";
constexpr LPARAM kItemData[] = {10, 20, 30};

class WindowWalk : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    ::RegisterClassExW(&wc);
  }

  void SetUp() override {
    InitTranslation();
    // Never shown: the walk runs while the main window is being created.
    window_ = UniqueWindow(::CreateWindowExW(0, kWindowClass, L"처음화면", WS_OVERLAPPEDWINDOW, 0, 0, 400, 400,
                                             nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(window_);
    title_ = Child(window_.get(), L"STATIC", L"처음화면", 0);
    phys_ = Child(window_.get(), L"STATIC", L"실제 메모리", 0);
    working_ = Child(window_.get(), L"STATIC", L"워킹 셋", 0);
    clean_ = Child(window_.get(), L"BUTTON", L"정리하기", BS_OWNERDRAW);
    group_ = Child(window_.get(), L"BUTTON", L"기본 설정", BS_GROUPBOX);
    const HWND panel = Child(window_.get(), L"STATIC", L"", 0);
    nested_ = Child(panel, L"BUTTON", L"부팅시 실행하기", BS_AUTOCHECKBOX);
    edit_ = Child(window_.get(), L"EDIT", L"정리하기", 0);
    list_ = Child(window_.get(), L"COMBOBOX", L"", CBS_DROPDOWNLIST);
    for (size_t i = 0; i < 3; ++i) {
      const wchar_t* items[] = {L"처음화면", L"환경설정", L"종료"};
      ::SendMessageW(list_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i]));
      ::SendMessageW(list_, CB_SETITEMDATA, i, kItemData[i]);
    }
    ::SendMessageW(list_, CB_SETCURSEL, 2, 0);
    digits_ = Child(window_.get(), L"COMBOBOX", L"", CBS_DROPDOWN);
    ::SendMessageW(digits_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"80"));
    ::SendMessageW(digits_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"열기"));
    ::SetWindowTextW(digits_, L"85");
    hidden_ = Child(window_.get(), L"COMBOBOX", L"", CBS_DROPDOWNLIST, false);
    ::SendMessageW(hidden_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"종료"));
    ::SendMessageW(hidden_, CB_SETCURSEL, 0, 0);

    menu_ = UniqueMenu(::CreatePopupMenu());
    const HMENU submenu = ::CreatePopupMenu();
    ::AppendMenuW(submenu, MF_STRING, 4, L"종료");
    ::AppendMenuW(menu_.get(), MF_STRING, 1, L"열기");
    ::AppendMenuW(menu_.get(), MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu_.get(), MF_STRING, 2, L"만든이 Dovrin");
    ::AppendMenuW(menu_.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(submenu), L"환경설정");
  }

  void TearDown() override { ReleaseTranslation(); }

  static HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, bool visible = true) {
    const HWND child = ::CreateWindowExW(0, cls, text, WS_CHILD | (visible ? WS_VISIBLE : 0) | style, 0, 0, 100, 100,
                                         parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(child, nullptr) << cls;
    return child;
  }

  // Everything the walk may touch, to compare one walk with the next.
  std::vector<std::wstring> Snapshot() const {
    std::vector<std::wstring> all = {TextOf(window_.get())};
    ::EnumChildWindows(
        window_.get(),
        [](HWND child, LPARAM out) -> BOOL {
          reinterpret_cast<std::vector<std::wstring>*>(out)->push_back(TextOf(child));
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    for (const HWND combo : {list_, digits_, hidden_}) {
      for (std::wstring& item : ItemsOf(combo)) all.push_back(std::move(item));
      all.push_back(std::to_wstring(::SendMessageW(combo, CB_GETCURSEL, 0, 0)));
    }
    for (UINT i = 0; i < 4; ++i) all.push_back(MenuText(menu_.get(), i));
    all.push_back(MenuText(::GetSubMenu(menu_.get(), 3), 0));
    return all;
  }

  UniqueWindow window_;
  UniqueMenu menu_;
  HWND title_{}, phys_{}, working_{}, clean_{}, group_{}, nested_{}, edit_{}, list_{}, digits_{}, hidden_{};
};

struct CaptionCase {
  const char* language;
  const wchar_t* windowCaption;
  const wchar_t* titleLabel;
};

class WindowCaption : public WindowWalk, public ::testing::WithParamInterface<CaptionCase> {};

TEST_P(WindowCaption, TitleBarInEnglishUnlessKorean) {
  SetCurrentLanguage(GetParam().language);
  TranslateComponent(window_.get(), menu_.get());
  EXPECT_EQ(TextOf(window_.get()), GetParam().windowCaption);
  EXPECT_EQ(TextOf(title_), GetParam().titleLabel);
}

INSTANTIATE_TEST_SUITE_P(Languages, WindowCaption,
                         ::testing::Values(CaptionCase{"ja", L"Home", L"ホーム"}, CaptionCase{"ko", L"처음화면", L"처음화면"},
                                           CaptionCase{"fr", L"Home", L"Accueil"}, CaptionCase{"de", L"Home", L"Home"}),
                         [](const auto& info) { return std::string(info.param.language); });

TEST_F(WindowWalk, EveryCaptionButEditFields) {
  SetCurrentLanguage("en");
  TranslateComponent(window_.get(), menu_.get());
  EXPECT_EQ(TextOf(phys_), L"Physical");
  EXPECT_EQ(TextOf(working_), L"Working set");
  EXPECT_EQ(TextOf(clean_), L"Clean memory");
  EXPECT_EQ(TextOf(group_), L"General");
  EXPECT_EQ(TextOf(nested_), L"Run on system start");
  EXPECT_EQ(TextOf(edit_), L"정리하기");
}

TEST_F(WindowWalk, ComboBoxesKeepSelectionDataAndVisibility) {
  SetCurrentLanguage("en");
  TranslateComponent(window_.get(), menu_.get());
  EXPECT_THAT(ItemsOf(list_), ElementsAre(L"Home", L"Config", L"Quit"));
  EXPECT_EQ(::SendMessageW(list_, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(TextOf(list_), L"Quit");
  for (WPARAM i = 0; i < 3; ++i) EXPECT_EQ(::SendMessageW(list_, CB_GETITEMDATA, i, 0), kItemData[i]);

  EXPECT_THAT(ItemsOf(digits_), ElementsAre(L"80", L"Open"));
  EXPECT_EQ(::SendMessageW(digits_, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(TextOf(digits_), L"85");  // typed text is not an item

  EXPECT_THAT(ItemsOf(hidden_), ElementsAre(L"Quit"));
  EXPECT_EQ(::GetWindowLongPtrW(hidden_, GWL_STYLE) & WS_VISIBLE, 0);
  EXPECT_NE(::GetWindowLongPtrW(list_, GWL_STYLE) & WS_VISIBLE, 0);
}

TEST_F(WindowWalk, PopupMenuItemsAndSubmenus) {
  SetCurrentLanguage("ja");
  TranslateComponent(window_.get(), menu_.get());
  EXPECT_EQ(MenuText(menu_.get(), 0), L"開く");
  EXPECT_EQ(::GetMenuState(menu_.get(), 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
  EXPECT_EQ(MenuText(menu_.get(), 2), L"作成者: Dovrin");
  EXPECT_EQ(MenuText(menu_.get(), 3), L"設定");
  EXPECT_EQ(MenuText(::GetSubMenu(menu_.get(), 3), 0), L"終了");
  EXPECT_EQ(::GetMenuItemID(menu_.get(), 0), 1u);
}

TEST_F(WindowWalk, SecondWalkChangesNothing) {
  for (const char* language : {"ko", "ja", "en", "ar"}) {
    SetCurrentLanguage(language);
    TranslateComponent(window_.get(), menu_.get());
    const std::vector<std::wstring> first = Snapshot();
    TranslateComponent(window_.get(), menu_.get());
    EXPECT_EQ(Snapshot(), first) << language;
  }
}

TEST_F(WindowWalk, GivenLanguageBecomesCurrent) {
  SetCurrentLanguage("en");
  TranslateComponent(window_.get(), menu_.get());
  ASSERT_EQ(TextOf(phys_), L"Physical");
  TranslateComponent(window_.get(), menu_.get(), L"fr");
  EXPECT_EQ(CurrentLanguage(), "fr");
  EXPECT_EQ(TextOf(phys_), L"Physique");  // a translated caption is a key too
  EXPECT_EQ(TextOf(window_.get()), L"Home");
  EXPECT_EQ(MenuText(menu_.get(), 0), L"Ouvrir");
  EXPECT_EQ(Translate("정리하기"), "Nettoyer la mémoire");
}

TEST_F(WindowWalk, AbsentPartsAreSkipped) {
  SetCurrentLanguage("en");
  TranslateComponent(nullptr, menu_.get());
  EXPECT_EQ(MenuText(menu_.get(), 0), L"Open");
  TranslateComponent(window_.get(), nullptr);
  EXPECT_EQ(TextOf(phys_), L"Physical");
  TranslateComponent(nullptr, nullptr, L"ko");
  EXPECT_EQ(CurrentLanguage(), "ko");
  TranslateMenuItem(nullptr);
  TranslateStrings(nullptr);
}

}  // namespace
}  // namespace sweeplet
