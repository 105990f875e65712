#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "TestServer.h"
#include "TestUi.h"
#include "common/Utf.h"
#include "theme/tests/FakeFrameMode.h"
#include "update/UpdateDialog.h"
#include "update/UpdateText.h"

namespace sweeplet {
namespace {

using testing::WindowText;

constexpr wchar_t kTitle[] = L"Sweeplet prompt test";

// Shows the prompt on this thread while `user` acts on it from another one, as a person would.
bool RunPrompt(const UpdateInfo& info, PromptOptions options, const std::function<void(HWND)>& user) {
  options.title = kTitle;
  const DWORD uiThread = ::GetCurrentThreadId();
  bool found = false;
  std::thread person([&] {
    HWND prompt = testing::WaitForDialog(uiThread, kTitle);
    found = prompt != nullptr;
    if (prompt) user(prompt);
  });
  const bool answer = ShowUpdatePrompt(info, options);
  person.join();
  EXPECT_TRUE(found);
  return answer;
}

void Click(HWND prompt, int id) { ::SendMessageW(::GetDlgItem(prompt, id), BM_CLICK, 0, 0); }

RECT ChildRect(HWND prompt, int id) {
  RECT r{};
  HWND child = ::GetDlgItem(prompt, id);
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, prompt, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

struct LanguageCase {
  const char* language;
  const wchar_t* yes;
  const wchar_t* no;
};

class PromptLanguageTest : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(PromptLanguageTest, ShowsTheBuiltInTexts) {
  const LanguageCase& c = GetParam();
  PromptOptions options;
  options.language = c.language;
  std::wstring question, yes, no;
  bool hasIcon = false;
  const bool answer = RunPrompt({}, options, [&](HWND prompt) {
    question = WindowText(::GetDlgItem(prompt, kPromptTextId));
    yes = WindowText(::GetDlgItem(prompt, IDYES));
    no = WindowText(::GetDlgItem(prompt, IDNO));
    hasIcon = ::SendMessageW(::GetDlgItem(prompt, kPromptIconId), STM_GETICON, 0, 0) != 0;
    Click(prompt, IDNO);
  });
  EXPECT_FALSE(answer);
  EXPECT_EQ(question, Widen(UpdateText(kUpdateQuestion, c.language)));
  EXPECT_EQ(yes, c.yes);
  EXPECT_EQ(no, c.no);
  EXPECT_TRUE(hasIcon);
}

INSTANTIATE_TEST_SUITE_P(Languages, PromptLanguageTest,
                         ::testing::Values(LanguageCase{"ar", L"Yes", L"No"}, LanguageCase{"de", L"Ja", L"Nein"},
                                           LanguageCase{"ko", L"예", L"아니오"}));

struct AnswerCase {
  const char* name;
  std::function<void(HWND)> act;
  bool expected;
};

class PromptAnswerTest : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(PromptAnswerTest, OnlyYesAccepts) { EXPECT_EQ(RunPrompt({}, {}, GetParam().act), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Answers, PromptAnswerTest,
    ::testing::Values(AnswerCase{"Yes", [](HWND p) { Click(p, IDYES); }, true},
                      AnswerCase{"No", [](HWND p) { Click(p, IDNO); }, false},
                      AnswerCase{"CloseBox", [](HWND p) { ::PostMessageW(p, WM_CLOSE, 0, 0); }, false},
                      AnswerCase{"Escape", [](HWND p) { ::PostMessageW(p, WM_COMMAND, IDCANCEL, 0); }, false},
                      AnswerCase{"EnterTakesTheDefault",
                                 [](HWND p) { ::SendMessageW(p, WM_COMMAND, LOWORD(::SendMessageW(p, DM_GETDEFID, 0, 0)), 0); },
                                 true}),
    [](const ::testing::TestParamInfo<AnswerCase>& info) { return std::string(info.param.name); });

struct RowCase {
  const char* name;
  const char* style;
  bool line;
  bool holdBox;
  bool noteLink;
};

class PromptNoticeRowTest : public ::testing::TestWithParam<RowCase> {};

TEST_P(PromptNoticeRowTest, FollowsTheStyle) {
  const RowCase& c = GetParam();
  UpdateInfo info;
  info.style = c.style;
  info.text = "Remind me later";
  bool line = false, hold = false, note = false;
  std::wstring rowText;
  RunPrompt(info, {}, [&](HWND prompt) {
    line = ::GetDlgItem(prompt, kPromptLineId) != nullptr;
    hold = ::GetDlgItem(prompt, kPromptHoldId) != nullptr;
    note = ::GetDlgItem(prompt, kPromptNoteId) != nullptr;
    if (hold) rowText = WindowText(::GetDlgItem(prompt, kPromptHoldId));
    if (note) rowText = WindowText(::GetDlgItem(prompt, kPromptNoteId));
    if (line && (hold || note)) {
      // Buttons, then the line, then the row, all inside the prompt.
      RECT client{};
      ::GetClientRect(prompt, &client);
      const RECT yes = ChildRect(prompt, IDYES);
      const RECT separator = ChildRect(prompt, kPromptLineId);
      const RECT row = ChildRect(prompt, hold ? kPromptHoldId : kPromptNoteId);
      EXPECT_GE(separator.top, yes.bottom);
      EXPECT_EQ(separator.left, 0);
      EXPECT_EQ(separator.right, client.right);
      EXPECT_GE(row.top, separator.bottom);
      EXPECT_LE(row.bottom, client.bottom);
    }
    Click(prompt, IDNO);
  });
  EXPECT_EQ(line, c.line);
  EXPECT_EQ(hold, c.holdBox);
  EXPECT_EQ(note, c.noteLink);
  if (hold || note) {
    EXPECT_EQ(rowText, L"Remind me later");
  }
}

INSTANTIATE_TEST_SUITE_P(Styles, PromptNoticeRowTest,
                         ::testing::Values(RowCase{"Hold", "hold", true, true, false},
                                           RowCase{"Note", "note", true, false, true},
                                           RowCase{"CapitalHIsNotHold", "Hold", true, false, false},
                                           RowCase{"OtherStyle", "banner", true, false, false},
                                           RowCase{"NoStyle", "", false, false, false}),
                         [](const ::testing::TestParamInfo<RowCase>& info) { return std::string(info.param.name); });

TEST(PromptGeometryTest, ANoticeRowMakesThePromptTallerByFortyMinusTheOffset) {
  auto heightFor = [](const char* style, int offset, UINT* dpi) {
    UpdateInfo info;
    info.style = style;
    PromptOptions options;
    options.dialogOffset = offset;
    int height = 0;
    RunPrompt(info, options, [&](HWND prompt) {
      RECT r{};
      ::GetWindowRect(prompt, &r);
      height = r.bottom - r.top;
      *dpi = ::GetDpiForWindow(prompt);
      Click(prompt, IDNO);
    });
    return height;
  };
  UINT dpi = 96;
  const int plain = heightFor("", 10, &dpi);
  EXPECT_EQ(heightFor("x", 10, &dpi) - plain, ::MulDiv(30, dpi, 96));
  EXPECT_EQ(heightFor("x", 0, &dpi) - plain, ::MulDiv(40, dpi, 96));
}

TEST(PromptNoteTest, LinkOpensOnlyWebAddressesAndLeavesThePromptOpen) {
  for (const char* url : {"https://n.example/read", "file:///C:/Windows/System32/cmd.exe"}) {
    testing::LinkRecorder links;
    UpdateInfo info;
    info.style = "note";
    info.text = "Read this";
    info.url = url;
    PromptOptions options;
    options.links = &links;
    bool stillOpen = false;
    RunPrompt(info, options, [&](HWND prompt) {
      HWND link = ::GetDlgItem(prompt, kPromptNoteId);
      ::SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
      ::SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
      stillOpen = ::IsWindowVisible(prompt) != FALSE;
      Click(prompt, IDNO);
    });
    EXPECT_TRUE(stillOpen) << url;
    if (std::string(url).rfind("https", 0) == 0) {
      EXPECT_EQ(links.Opened(), (std::vector<std::wstring>{Widen(url)}));
    } else {
      EXPECT_TRUE(links.Opened().empty()) << url;
    }
  }
}

struct TopCase {
  const char* name;
  const char* flag;
  bool mainWindowShown;
  bool topmost;
  bool ownedByMain;
};

class PromptStayOnTopTest : public ::testing::TestWithParam<TopCase> {};

TEST_P(PromptStayOnTopTest, FlagAndHiddenStart) {
  const TopCase& c = GetParam();
  testing::TestWindow main;
  UpdateInfo info;
  info.flag = c.flag;
  PromptOptions options;
  options.owner = main.get();
  options.mainWindowShown = c.mainWindowShown;
  bool topmost = false;
  HWND owner = nullptr;
  bool smallIcon = false;
  RunPrompt(info, options, [&](HWND prompt) {
    topmost = (::GetWindowLongPtrW(prompt, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    owner = ::GetWindow(prompt, GW_OWNER);
    smallIcon = ::SendMessageW(prompt, WM_GETICON, ICON_SMALL, 0) != 0;
    Click(prompt, IDNO);
  });
  EXPECT_EQ(topmost, c.topmost);
  EXPECT_EQ(owner, c.ownedByMain ? main.get() : nullptr);
  // Standing alone, the prompt carries the program's icon.
  if (!c.ownedByMain) {
    EXPECT_TRUE(smallIcon);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Flags, PromptStayOnTopTest,
    ::testing::Values(TopCase{"NoFlag", "", true, false, true}, TopCase{"AmongOtherWords", "a stayontop b", true, true, true},
                      TopCase{"OtherCaseDoesNotCount", "StayOnTop", true, false, true},
                      TopCase{"HiddenStartStandsAlone", "stayontop", false, true, false},
                      TopCase{"HiddenStartWithoutFlagKeepsOwner", "", false, false, true}),
    [](const ::testing::TestParamInfo<TopCase>& info) { return std::string(info.param.name); });

TEST(PromptHoldTest, ATickedBoxSendsTheHoldRequest) {
  testing::TestServer server;
  UpdateInfo info;
  info.style = "hold";
  PromptOptions options;
  options.holdUrl = server.Url();
  bool ticked = false;
  const bool answer = RunPrompt(info, options, [&](HWND prompt) {
    Click(prompt, kPromptHoldId);
    ticked = ::SendMessageW(::GetDlgItem(prompt, kPromptHoldId), BM_GETCHECK, 0, 0) == BST_CHECKED;
    Click(prompt, IDNO);
  });
  EXPECT_FALSE(answer);
  EXPECT_TRUE(ticked);
  ASSERT_TRUE(server.WaitForConnections(1, testing::kDidNotHang));
  EXPECT_NE(server.Requests().at(0).find("User-Command: hold"), std::string::npos);
}

// The prompt's title bar follows the user's app mode when it opens and when the mode changes
// while it waits for the answer.
TEST(PromptFrameTest, TheTitleBarFollowsTheAppMode) {
  testing::FakeFrameMode frame;
  frame.SetValue(0);
  PromptOptions options;
  options.frame = &frame;
  HWND shown = nullptr;
  std::vector<std::pair<HWND, bool>> atOpen;
  RunPrompt({}, options, [&](HWND prompt) {
    shown = prompt;
    atOpen = frame.Frames();
    frame.SetValue(1);
    ::SendMessageW(prompt, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"WindowMetrics"));
    ::SendMessageW(prompt, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
    Click(prompt, IDNO);
  });
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(atOpen, (std::vector<std::pair<HWND, bool>>{{shown, true}}));
  EXPECT_EQ(frame.Frames(), (std::vector<std::pair<HWND, bool>>{{shown, true}, {shown, false}}));
}

TEST(UpdateDialogTest, AMalformedNoticeBlockShowsNothing) {
  EXPECT_EQ(UpdateDialog(R"({"info":{"style":"hold","text":"\u"}})", {}), std::nullopt);
}

}  // namespace
}  // namespace sweeplet
