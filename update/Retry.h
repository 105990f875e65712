#pragma once
// The update check's patience: a few attempts with long pauses that end at once when the
// program is quitting.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

namespace sweeplet {

// Set once, when the program ends; every wait on it returns at that moment.
class StopSignal {
 public:
  void Stop() noexcept;
  bool Stopped() const noexcept;
  // Waits up to `timeout`; true when the signal is (or becomes) set.
  bool WaitFor(std::chrono::milliseconds timeout) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool stopped_ = false;
};

inline constexpr int kUpdateAttempts = 6;
inline constexpr std::chrono::milliseconds kUpdateRetryWait{10000};

enum class FetchResult {
  kReceived,  // `data` holds the reply
  kGaveUp,    // every attempt failed; `data` is untouched
  kStopped,   // the program is ending: hand nothing over
};

// Calls `fetch` up to `attempts` times, waiting `wait` after each failure (the last one too).
// The stop signal is looked at after every attempt and ends any wait at once.
FetchResult FetchWithRetries(const std::function<bool(std::string&)>& fetch, std::string& data,
                             const StopSignal& stop, int attempts = kUpdateAttempts,
                             std::chrono::milliseconds wait = kUpdateRetryWait);

}  // namespace sweeplet
