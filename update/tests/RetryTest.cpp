#include "update/Retry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

namespace sweeplet {
namespace {

using std::chrono::milliseconds;

// A generous bound that only tells "returned" from "hung in a wait".
constexpr auto kDidNotHang = std::chrono::seconds(30);
constexpr milliseconds kForever = std::chrono::hours(1);

TEST(FetchWithRetriesTest, StopsTryingAfterASuccess) {
  StopSignal stop;
  int calls = 0;
  std::string data;
  const auto result = FetchWithRetries(
      [&](std::string& out) {
        if (++calls < 3) return false;
        out = "reply";
        return true;
      },
      data, stop, kUpdateAttempts, milliseconds(0));
  EXPECT_EQ(result, FetchResult::kReceived);
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(data, "reply");
}

TEST(FetchWithRetriesTest, GivesUpAfterSixAttempts) {
  StopSignal stop;
  int calls = 0;
  std::string data = "untouched";
  const auto result = FetchWithRetries([&](std::string&) { return ++calls, false; }, data, stop, kUpdateAttempts,
                                       milliseconds(0));
  EXPECT_EQ(result, FetchResult::kGaveUp);
  EXPECT_EQ(calls, 6);
  EXPECT_EQ(data, "untouched");
}

TEST(FetchWithRetriesTest, StopEndsTheWaitAtOnce) {
  StopSignal stop;
  std::atomic<int> calls{0};
  std::promise<void> firstCall;
  auto run = std::async(std::launch::async, [&] {
    std::string data;
    return FetchWithRetries(
        [&](std::string&) {
          if (calls++ == 0) firstCall.set_value();
          return false;
        },
        data, stop, kUpdateAttempts, kForever);
  });
  firstCall.get_future().wait();
  stop.Stop();
  ASSERT_EQ(run.wait_for(kDidNotHang), std::future_status::ready);
  EXPECT_EQ(run.get(), FetchResult::kStopped);
  EXPECT_EQ(calls.load(), 1);
}

TEST(FetchWithRetriesTest, ReplyArrivingAfterTheStopIsNotHandedOver) {
  StopSignal stop;
  std::string data;
  const auto result = FetchWithRetries(
      [&](std::string& out) {
        stop.Stop();
        out = "late";
        return true;
      },
      data, stop, kUpdateAttempts, kForever);
  EXPECT_EQ(result, FetchResult::kStopped);
}

TEST(FetchWithRetriesTest, StoppedBeforeStartMakesNoRequest) {
  StopSignal stop;
  stop.Stop();
  int calls = 0;
  std::string data;
  EXPECT_EQ(FetchWithRetries([&](std::string&) { return ++calls, true; }, data, stop), FetchResult::kStopped);
  EXPECT_EQ(calls, 0);
}

TEST(StopSignalTest, WaitReportsTimeoutAndStop) {
  StopSignal stop;
  EXPECT_FALSE(stop.WaitFor(milliseconds(1)));
  EXPECT_FALSE(stop.Stopped());
  std::thread stopper([&] { stop.Stop(); });
  EXPECT_TRUE(stop.WaitFor(kForever));
  stopper.join();
  EXPECT_TRUE(stop.Stopped());
}

}  // namespace
}  // namespace sweeplet
