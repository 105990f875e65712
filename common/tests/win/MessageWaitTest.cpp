#include "common/MessageWait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "common/UniqueHandle.h"
#include "common/WorkerThread.h"

namespace sweeplet {
namespace {

constexpr UINT kPing = WM_APP + 1;
constexpr UINT kPosted = WM_APP + 2;
constexpr DWORD kPatienceMs = 5000;

std::atomic<int> g_pings{0};

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kPing) {
    ++g_pings;
    return 1;
  }
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

// A window of this thread that other threads send to.
class MessageWaitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_pings = 0;
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SweepletMessageWaitTest";
    ::RegisterClassW(&wc);
    window_.reset(::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                    nullptr));
    ASSERT_TRUE(window_);
    done_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(done_);
  }

  // Sends a ping from another thread (giving up after a while, so a fault fails instead of
  // hanging), then signals done_.
  std::thread SendFromAnotherThread() {
    return std::thread([hwnd = window_.get(), done = done_.get()] {
      DWORD_PTR result = 0;
      ::SendMessageTimeoutW(hwnd, kPing, 0, 0, SMTO_NORMAL, kPatienceMs, &result);
      ::SetEvent(done);
    });
  }

  UniqueWindow window_;
  UniqueHandle done_;
};

TEST_F(MessageWaitTest, ServesAMessageSentBeforeTheWaitBegan) {
  std::thread sender = SendFromAnotherThread();
  // Wait, without serving it, until the message is in this thread's queue; looking at the queue
  // also marks it as seen, so that only serving what is pending lets the wait go on.
  const ULONGLONG start = ::GetTickCount64();
  while (!(HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) && ::GetTickCount64() - start < kPatienceMs) {
    ::Sleep(1);
  }
  ASSERT_EQ(HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE, QS_SENDMESSAGE);

  EXPECT_EQ(WaitServingSentMessages(done_.get()), WAIT_OBJECT_0);
  sender.join();
  EXPECT_EQ(g_pings.load(), 1);
  EXPECT_LT(::GetTickCount64() - start, kPatienceMs);
}

TEST_F(MessageWaitTest, ServesMessagesSentDuringTheWait) {
  std::thread sender([this] {
    ::Sleep(50);
    DWORD_PTR result = 0;
    for (int i = 0; i < 3; ++i) ::SendMessageTimeoutW(window_.get(), kPing, 0, 0, SMTO_NORMAL, kPatienceMs, &result);
    ::SetEvent(done_.get());
  });
  EXPECT_EQ(WaitServingSentMessages(done_.get()), WAIT_OBJECT_0);
  sender.join();
  EXPECT_EQ(g_pings.load(), 3);
}

TEST_F(MessageWaitTest, LeavesPostedMessagesQueued) {
  ASSERT_TRUE(::PostMessageW(window_.get(), kPosted, 7, 0));
  ::SetEvent(done_.get());
  EXPECT_EQ(WaitServingSentMessages(done_.get()), WAIT_OBJECT_0);
  MSG msg{};
  ASSERT_TRUE(::PeekMessageW(&msg, window_.get(), kPosted, kPosted, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(MessageWaitTest, GivesUpAfterTheTimeout) {
  const ULONGLONG start = ::GetTickCount64();
  EXPECT_EQ(WaitServingSentMessages(done_.get(), 100), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_GE(::GetTickCount64() - start, 90u);
}

TEST_F(MessageWaitTest, WorkerJoinServesTheWorkersHandOff) {
  WorkerThread worker;
  const HWND hwnd = window_.get();
  ASSERT_TRUE(worker.Start([hwnd] {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(hwnd, kPing, 0, 0, SMTO_NORMAL, kPatienceMs, &result);
  }));
  worker.Join();
  EXPECT_EQ(g_pings.load(), 1);
}

}  // namespace
}  // namespace sweeplet
