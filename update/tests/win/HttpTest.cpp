#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <memory>

#include "TestServer.h"
#include "TestUi.h"
#include "common/UiDispatcher.h"
#include "common/Utf.h"
#include "update/HttpGet.h"
#include "update/Identity.h"
#include "update/UpdateCheck.h"
#include "update/UpdateDialog.h"
#include "update/UpdateStatus.h"

namespace sweeplet {
namespace {

using testing::ClosedPortUrl;
using testing::HeaderLines;
using testing::TestServer;
using Headers = std::vector<std::pair<std::string, std::string>>;

// Only the headers the program adds, in the order they arrived.
Headers UserHeaders(const std::string& head) {
  Headers out;
  for (auto& [name, value] : HeaderLines(head)) {
    if (name.rfind("User-", 0) == 0 && name != "User-Agent") out.emplace_back(name, value);
  }
  return out;
}

TEST(HttpGetTest, SendsHeadersInOrderAndReadsTheBody) {
  TestServer server("{\"notify\":\"caf\xc3\xa9\"}");
  std::string data;
  ASSERT_TRUE(HttpGet(server.Url(), {{L"User-B", L"two"}, {L"User-A", L"1"}, {L"User-C", L""}}, data));
  EXPECT_EQ(data, "{\"notify\":\"caf\xc3\xa9\"}");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].rfind("GET /api.init.php HTTP/1.1", 0), 0u) << requests[0];
  const Headers sent = UserHeaders(requests[0]);
  // An empty value (no client identifier) still goes out as an empty header.
  EXPECT_EQ(sent, (Headers{{"User-B", "two"}, {"User-A", "1"}, {"User-C", ""}}));
}

TEST(HttpGetTest, AnyStatusWithABodyCounts) {
  TestServer server("<html><body>Not Found</body></html>", TestServer::Mode::kReply, "404 Not Found");
  std::string data;
  ASSERT_TRUE(HttpGet(server.Url(), {}, data));
  EXPECT_EQ(data, "<html><body>Not Found</body></html>");
}

TEST(HttpGetTest, BodyIsKeptAsWellFormedUtf8) {
  TestServer server("a\xff" "b");
  std::string data;
  ASSERT_TRUE(HttpGet(server.Url(), {}, data));
  EXPECT_EQ(data, "a\xef\xbf\xbd" "b");
}

TEST(HttpGetTest, RefusesAReplyOverTheLimit) {
  {
    TestServer server(std::string(kMaxReplyBytes, 'x'));
    std::string data;
    ASSERT_TRUE(HttpGet(server.Url(), {}, data));
    EXPECT_EQ(data.size(), kMaxReplyBytes);
  }
  {
    TestServer server(std::string(kMaxReplyBytes + 1, 'x'));
    std::string data = "untouched";
    EXPECT_FALSE(HttpGet(server.Url(), {}, data));
    EXPECT_EQ(data, "untouched");
  }
}

TEST(HttpGetTest, FailuresLeaveDataAlone) {
  for (const std::wstring& url : {ClosedPortUrl(), std::wstring(L""), std::wstring(L"file:///C:/x.txt"),
                                  std::wstring(L"not a url")}) {
    std::string data = "untouched";
    EXPECT_FALSE(HttpGet(url, {}, data)) << Narrow(url);
    EXPECT_EQ(data, "untouched");
  }
}

TEST(HttpGetTest, LineBreaksInAValueAddNoHeader) {
  TestServer server;
  std::string data;
  ASSERT_TRUE(HttpGet(server.Url(), {{L"User-Union", L"abc\r\nX-Injected: 1"}}, data));
  for (const auto& [name, value] : HeaderLines(server.Requests().at(0))) EXPECT_NE(name, "X-Injected");
}

// Requests on detached threads (the hold request, a check the window stopped waiting for) may
// still be inside the HTTP client while the process runs its exit-time destructors: the client
// must still be mapped then.
struct WinHttpPresenceAtExit {
  ~WinHttpPresenceAtExit() {
    if (!::GetModuleHandleW(L"winhttp.dll")) ::ExitProcess(3);
  }
};

TEST(HttpGetDeathTest, TheHttpClientStaysLoadedThroughExit) {
  EXPECT_EXIT(
      {
        // Made before the first request, so destroyed after everything the request made.
        static WinHttpPresenceAtExit presence;
        std::string data;
        HttpGet(ClosedPortUrl(), {}, data);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(HoldRequestTest, SendsVersionAndCommandOnly) {
  TestServer server;
  EXPECT_TRUE(SendHoldRequest(server.Url()));
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(UserHeaders(requests[0]), (Headers{{"User-Version", "1.9.0.0"}, {"User-Command", "hold"}}));
}

// The update check hands its reply to a dispatcher on this thread.
class CheckUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override { UiDispatcher::SetMain(&dispatcher_); }
  void TearDown() override { UiDispatcher::SetMain(nullptr); }

  struct Outcome {
    std::atomic<bool> called{false};
    bool opened = false;
    std::wstring data;
  };

  // Runs a check against `url` and pumps messages until its completion procedure ran.
  std::shared_ptr<Outcome> Check(const std::wstring& url, UpdateWindowContext context = {}) {
    auto outcome = std::make_shared<Outcome>();
    CheckUpdate(
        url,
        [outcome](bool opened, const std::wstring& data) {
          outcome->opened = opened;
          outcome->data = data;
          outcome->called = true;
        },
        10, std::move(context));
    EXPECT_TRUE(testing::PumpUntil([&] { return outcome->called.load(); }));
    return outcome;
  }

  UiDispatcher dispatcher_;
};

TEST_F(CheckUpdateTest, SendsTheFourHeadersInOrder) {
  TestServer server("{}");
  UpdateWindowContext context;
  context.language = "de";
  const auto outcome = Check(server.Url(), context);
  EXPECT_FALSE(outcome->opened);
  EXPECT_EQ(outcome->data, L"{}");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(UserHeaders(requests[0]), (Headers{{"User-Version", "1.9.0.0"},
                                               {"User-Language", "de"},
                                               {"User-Debug", "false"},
                                               {"User-Union", Narrow(GetClientId())}}));
}

TEST_F(CheckUpdateTest, NoticeShowsTheBarAndStillCompletes) {
  const std::string reply = R"({"update":"","notify":"https:\/\/n.example\/news"})";
  TestServer server(reply);
  testing::NoticeWindow window;
  UpdateWindowContext context;
  context.mainWindow = window.get();
  context.showNotice = [&](const std::wstring& link) { window.Show(link, "en", nullptr); };
  const auto outcome = Check(server.Url(), context);
  EXPECT_FALSE(outcome->opened);
  EXPECT_EQ(outcome->data, Widen(reply));
  EXPECT_NE(::GetDlgItem(window.get(), kNoticeBarId), nullptr);
}

TEST_F(CheckUpdateTest, AcceptedUpdateIsOpenedAndHoldIsSent) {
  TestServer server(
      R"({"update":"https://dl.example/new","info":{"style":"hold","text":"Not now"},"notify":"https://n.example"})");
  testing::NoticeWindow window;
  testing::LinkRecorder links;
  UpdateWindowContext context;
  context.mainWindow = window.get();
  context.showNotice = [&](const std::wstring& link) { window.Show(link, "fr", &links); };
  context.language = "fr";
  context.title = L"Sweeplet check";
  context.links = &links;
  const DWORD uiThread = ::GetCurrentThreadId();
  std::thread user([&] {
    HWND prompt = testing::WaitForDialog(uiThread, L"Sweeplet check");
    if (!prompt) return;
    ::SendMessageW(::GetDlgItem(prompt, kPromptHoldId), BM_CLICK, 0, 0);
    ::SendMessageW(::GetDlgItem(prompt, IDYES), BM_CLICK, 0, 0);
  });
  const auto outcome = Check(server.Url(), context);
  user.join();
  EXPECT_TRUE(outcome->opened);
  EXPECT_EQ(links.Opened(), (std::vector<std::wstring>{L"https://dl.example/new"}));
  // The notice is shown whatever the answer.
  EXPECT_NE(::GetDlgItem(window.get(), kNoticeBarId), nullptr);
  // The hold request follows the check on a thread of its own.
  ASSERT_TRUE(server.WaitForConnections(2, testing::kDidNotHang));
  const auto requests = server.Requests();
  EXPECT_EQ(UserHeaders(requests.at(1)), (Headers{{"User-Version", "1.9.0.0"}, {"User-Command", "hold"}}));
}

TEST_F(CheckUpdateTest, DeclinedUpdateOpensNothing) {
  TestServer server(R"({"update":"https://dl.example/new"})");
  testing::LinkRecorder links;
  UpdateWindowContext context;
  context.title = L"Sweeplet decline";
  context.links = &links;
  const DWORD uiThread = ::GetCurrentThreadId();
  std::thread user([&] {
    if (HWND prompt = testing::WaitForDialog(uiThread, L"Sweeplet decline")) {
      ::SendMessageW(::GetDlgItem(prompt, IDNO), BM_CLICK, 0, 0);
    }
  });
  const auto outcome = Check(server.Url(), context);
  user.join();
  EXPECT_FALSE(outcome->opened);
  EXPECT_TRUE(links.Opened().empty());
}

TEST_F(CheckUpdateTest, StopEndsTheRetriesAtOnce) {
  // Every attempt fails: the check would retry for a minute unless stopped.
  TestServer server("", TestServer::Mode::kDrop);
  std::thread quitter([&] {
    if (server.WaitForConnections(1, testing::kDidNotHang)) StopUpdateCheck();
  });
  // Without a completion procedure the check returns only when its worker has ended.
  CheckUpdate(server.Url(), nullptr, 10, {});
  quitter.join();
  EXPECT_EQ(server.Connections(), 1u);
}

}  // namespace
}  // namespace sweeplet
