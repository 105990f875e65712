#include "update/Reply.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sweeplet {
namespace {

// Records what the reply made the program do, in order.
struct Recorder {
  bool answer = false;
  std::vector<std::string> events;
  UpdateInfo info;

  ReplyActions Actions() {
    return ReplyActions{
        [this](const UpdateInfo& i) {
          info = i;
          events.push_back("ask");
          return answer;
        },
        [this](const std::string& link) { events.push_back("open " + link); },
        [this](const std::string& link) { events.push_back("notice " + link); }};
  }
};

using Events = std::vector<std::string>;

struct ReplyCase {
  const char* name;
  const char* data;
  bool answer;
  std::optional<bool> result;
  Events events;
};

class HandleReplyTest : public testing::TestWithParam<ReplyCase> {};

TEST_P(HandleReplyTest, DoesWhatTheReplyAsks) {
  const ReplyCase& c = GetParam();
  Recorder recorder;
  recorder.answer = c.answer;
  EXPECT_EQ(HandleReply(c.data, recorder.Actions()), c.result);
  EXPECT_EQ(recorder.events, c.events);
}

constexpr char kBoth[] = R"({"update":"https:\/\/dl.example\/new","notify":"https://n.example/a"})";

INSTANTIATE_TEST_SUITE_P(
    Cases, HandleReplyTest,
    testing::Values(
        ReplyCase{"AcceptedThenNotice", kBoth, true, true,
                  Events{"ask", "open https://dl.example/new", "notice https://n.example/a"}},
        ReplyCase{"DeclinedStillNotice", kBoth, false, false, Events{"ask", "notice https://n.example/a"}},
        ReplyCase{"NoticeOnly", R"({"notify":"https:\/\/n.example\/\u0041"})", true, false,
                  Events{"notice https://n.example/A"}},
        ReplyCase{"EmptyUpdateOffersNothing", R"({"update":"","notify":""})", true, false, Events{}},
        ReplyCase{"KeyInCapitals", R"({"UPDATE":"https://dl.example/X"})", true, true,
                  Events{"ask", "open https://dl.example/X"}},
        ReplyCase{"BlankAfterColonOffersNothing", R"({"update": "https://dl.example/x"})", true, false, Events{}},
        ReplyCase{"NotFoundPage", "<html><head><title>404 Not Found</title></head><body>Not Found</body></html>",
                  true, false, Events{}},
        ReplyCase{"EmptyReply", "", true, false, Events{}},
        // Links from the network are opened elevated: only web addresses count.
        ReplyCase{"ProgramPathIsNoUpdate", R"({"update":"C:\\Windows\\System32\\cmd.exe"})", true, false, Events{}},
        ReplyCase{"UncPathIsNoUpdate", R"({"update":"\\\\host\\share\\setup.exe"})", true, false, Events{}},
        ReplyCase{"FileUrlIsNoUpdate", R"({"update":"file:///C:/x.exe"})", true, false, Events{}},
        ReplyCase{"SettingsLinkIsNoNotice", R"({"notify":"ms-settings:windowsupdate"})", true, false, Events{}},
        ReplyCase{"MalformedUpdateStopsEverything", R"({"update":"https://a.example/\u","notify":"https://n.example"})",
                  true, std::nullopt, Events{}},
        ReplyCase{"MalformedInfoStopsBeforeThePrompt",
                  R"({"update":"https://a.example","info":{"text":"\uZZ"},"notify":"https://n.example"})", true,
                  std::nullopt, Events{}},
        // The update was already opened; only the rest of the handling is lost.
        ReplyCase{"MalformedNoticeAfterAcceptedUpdate", R"({"update":"https://a.example","notify":"\u"})", true,
                  std::nullopt, Events{"ask", "open https://a.example"}}),
    [](const testing::TestParamInfo<ReplyCase>& info) { return std::string(info.param.name); });

TEST(ReadUpdateInfoTest, ReadsAndUnescapesTheFourFields) {
  const auto info = ReadUpdateInfo(
      R"({"update":"https://a.example","INFO":{"style":"note","text":"Read \"this\"","flag":"x stayontop y",)"
      R"("url":"https:\/\/n.example\/p"}})");
  ASSERT_TRUE(info);
  EXPECT_EQ(info->style, "note");
  EXPECT_EQ(info->text, "Read \"this\"");
  EXPECT_EQ(info->flag, "x stayontop y");
  EXPECT_EQ(info->url, "https://n.example/p");
}

TEST(ReadUpdateInfoTest, EndsAtTheFirstClosingBrace) {
  const auto info = ReadUpdateInfo(R"({"info":{"style":"hold","text":"a}b","url":"https://x.example"}})");
  ASSERT_TRUE(info);
  EXPECT_EQ(info->style, "hold");
  EXPECT_EQ(info->text, "");  // its closing quote lies beyond the brace
  EXPECT_EQ(info->url, "");
}

TEST(ReadUpdateInfoTest, FieldsOutsideTheBlockAreNotRead) {
  const auto info = ReadUpdateInfo(R"({"style":"hold","info":{"text":"t"}})");
  ASSERT_TRUE(info);
  EXPECT_EQ(info->style, "");
  EXPECT_EQ(info->text, "t");
}

TEST(ReadUpdateInfoTest, PromptSeesTheInfoOfTheReply) {
  Recorder recorder;
  HandleReply(R"({"update":"https://a.example","info":{"style":"hold","text":"Later"}})", recorder.Actions());
  EXPECT_EQ(recorder.info.style, "hold");
  EXPECT_EQ(recorder.info.text, "Later");
}

}  // namespace
}  // namespace sweeplet
