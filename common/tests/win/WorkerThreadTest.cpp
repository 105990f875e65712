// WorkerThread and UiDispatcher together, as the main window uses them: a worker that hands its
// end to this (user-interface) thread while this thread waits for it. A fault here is a hang, so
// the threads that could wait forever give up after a while and the test then fails instead.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <thread>

#include "common/UiDispatcher.h"
#include "common/UniqueHandle.h"
#include "common/WorkerThread.h"

namespace sweeplet {
namespace {

constexpr DWORD kPatienceMs = 10000;
constexpr UINT kJoinNow = WM_APP + 7;

UniqueHandle NewEvent() { return UniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr)); }

// True once a message sent by another thread is waiting for this thread. Looking also marks it
// as seen: a wait that only wakes for new input would then sleep through it.
bool SentMessageWaiting() { return (HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) != 0; }

template <typename F>
bool Within(DWORD ms, F condition) {
  const ULONGLONG end = ::GetTickCount64() + ms;
  while (!condition()) {
    if (::GetTickCount64() > end) return false;
    ::Sleep(5);
  }
  return true;
}

// What a message sent to the join target asks of this thread: open the worker's gate, join the
// worker, and, when asked, make a new event right after.
struct JoinRequest {
  WorkerThread* worker = nullptr;
  HANDLE gate = nullptr;
  bool thenMakeAnEvent = false;
  UniqueHandle newcomer{};
};

LRESULT CALLBACK JoinTargetProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != kJoinNow) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  auto* request = reinterpret_cast<JoinRequest*>(lParam);
  ::SetEvent(request->gate);
  request->worker->Join();
  if (request->thenMakeAnEvent) request->newcomer = NewEvent();
  return 1;
}

// A message-only window of this thread that answers kJoinNow.
UniqueWindow JoinTarget() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = &JoinTargetProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"SweepletWorkerThreadTest";
  ::RegisterClassW(&wc);  // fails harmlessly once registered
  return UniqueWindow(
      ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr));
}

TEST(WorkerThreadTest, AHandOffAlreadyQueuedWhenTheJoinStartsIsServed) {
  UiDispatcher ui;
  std::atomic<bool> ran{false}, handed{false};
  WorkerThread worker;
  ASSERT_TRUE(worker.Start([&] { handed = ui.Run([&] { ran = true; }); }));
  // The worker is blocked in its hand-off before this thread starts waiting for it.
  ASSERT_TRUE(Within(kPatienceMs, SentMessageWaiting));
  worker.Join();
  EXPECT_TRUE(ran);
  EXPECT_TRUE(handed);
}

// The join runs inside a message that a third thread sent (a second start's hand-off, the
// session's end): the worker's hand-off is served inside that nested wait, and all three go on.
TEST(WorkerThreadTest, AJoinInsideASentMessageServesTheWorker) {
  UiDispatcher ui;
  UniqueHandle gate = NewEvent();
  std::atomic<bool> ran{false};
  WorkerThread worker;
  ASSERT_TRUE(worker.Start([&] {
    ::WaitForSingleObject(gate.get(), kPatienceMs);
    ui.Run([&] { ran = true; });
  }));

  JoinRequest request{.worker = &worker, .gate = gate.get()};
  const UniqueWindow target = JoinTarget();
  ASSERT_TRUE(target);

  std::atomic<bool> answered{false};
  std::thread messenger([&] {
    DWORD_PTR result = 0;
    answered = ::SendMessageTimeoutW(target.get(), kJoinNow, 0, reinterpret_cast<LPARAM>(&request), SMTO_NORMAL,
                                     kPatienceMs, &result) != 0 &&
               result == 1;
  });
  // This thread serves the messenger's message by waiting, as the program's waits do.
  ASSERT_TRUE(Within(kPatienceMs, SentMessageWaiting));
  MSG msg;
  ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  messenger.join();
  EXPECT_TRUE(answered);
  EXPECT_TRUE(ran);
}

// A join served inside another join of the same thread (the uninstaller's hand-off arriving while
// a click waits for the start's lookup) closes the thread's handle first. The outer join must not
// then wait on that handle's number, which the system may already have given to something else.
TEST(WorkerThreadTest, AJoinNestedInAJoinOfTheSameThreadEndsBoth) {
  UniqueHandle gate = NewEvent();
  WorkerThread worker;
  ASSERT_TRUE(worker.Start([&] { ::WaitForSingleObject(gate.get(), kPatienceMs); }));

  // The new event, made right after the inner join, is likely to get the freed number.
  JoinRequest request{.worker = &worker, .gate = gate.get(), .thenMakeAnEvent = true};
  const UniqueWindow target = JoinTarget();
  ASSERT_TRUE(target);

  std::thread messenger([&] {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(target.get(), kJoinNow, 0, reinterpret_cast<LPARAM>(&request), SMTO_NORMAL, kPatienceMs, &result);
  });
  // Should the outer join wait on the newcomer, it is let go after a while and the test fails.
  UniqueHandle joined = NewEvent();
  std::atomic<bool> hung{false};
  std::thread watchdog([&] {
    if (::WaitForSingleObject(joined.get(), kPatienceMs) == WAIT_TIMEOUT) {
      hung = true;
      if (request.newcomer) ::SetEvent(request.newcomer.get());
    }
  });
  ASSERT_TRUE(Within(kPatienceMs, SentMessageWaiting));
  worker.Join();
  ::SetEvent(joined.get());
  watchdog.join();
  messenger.join();
  EXPECT_FALSE(hung);
}

TEST(WorkerThreadTest, WorkHandedOffAfterTheDispatcherClosedIsDropped) {
  UiDispatcher ui;
  ui.Close();
  std::atomic<bool> ran{false};
  std::atomic<int> handed{-1};
  WorkerThread worker;
  ASSERT_TRUE(worker.Start([&] { handed = ui.Run([&] { ran = true; }) ? 1 : 0; }));
  worker.Join();
  EXPECT_EQ(handed.load(), 0);
  EXPECT_FALSE(ran);
}

// Closed while the worker already waits in its hand-off: the work is not run, the worker is let go.
TEST(WorkerThreadTest, WorkQueuedBeforeTheCloseIsDroppedToo) {
  UiDispatcher ui;
  std::atomic<bool> ran{false};
  std::atomic<int> handed{-1};
  WorkerThread worker;
  ASSERT_TRUE(worker.Start([&] { handed = ui.Run([&] { ran = true; }) ? 1 : 0; }));
  ASSERT_TRUE(Within(kPatienceMs, SentMessageWaiting));
  ui.Close();
  worker.Join();
  EXPECT_EQ(handed.load(), 0);
  EXPECT_FALSE(ran);
}

// The window and its dispatcher go while the job still runs; the job's end then finds no
// dispatcher and touches nothing, and the thread is still joined.
TEST(WorkerThreadTest, AWorkerThatOutlivesTheWindowHandsOffNothing) {
  auto ui = std::make_unique<UiDispatcher>();
  UiDispatcher::SetMain(ui.get());
  UniqueHandle gate = NewEvent();
  std::atomic<bool> ran{false}, found{true};
  WorkerThread worker;
  ASSERT_TRUE(worker.Start([&] {
    ::WaitForSingleObject(gate.get(), kPatienceMs);
    UiDispatcher* main = UiDispatcher::Main();
    found = main != nullptr;
    if (main) main->Run([&] { ran = true; });
  }));
  ui.reset();
  EXPECT_EQ(UiDispatcher::Main(), nullptr);
  ::SetEvent(gate.get());
  worker.Join();
  EXPECT_FALSE(found);
  EXPECT_FALSE(ran);
}

TEST(WorkerThreadTest, AJobsExceptionStaysOnItsThread) {
  WorkerThread worker;
  ASSERT_TRUE(worker.Start([] { throw 42; }));
  worker.Join();
  std::atomic<bool> ran{false};
  ASSERT_TRUE(worker.Start([&] { ran = true; }));  // the same object runs the next job
  worker.Join();
  EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace sweeplet
