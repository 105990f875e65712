#include "update/Retry.h"

namespace sweeplet {

void StopSignal::Stop() noexcept {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
  }
  changed_.notify_all();
}

bool StopSignal::Stopped() const noexcept {
  std::lock_guard<std::mutex> lock(mutex_);
  return stopped_;
}

bool StopSignal::WaitFor(std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [this] { return stopped_; });
}

FetchResult FetchWithRetries(const std::function<bool(std::string&)>& fetch, std::string& data,
                             const StopSignal& stop, int attempts, std::chrono::milliseconds wait) {
  for (int attempt = 0; attempt < attempts; ++attempt) {
    if (stop.Stopped()) return FetchResult::kStopped;
    const bool received = fetch(data);
    // A request can outlast the program's end; its answer is then of no use.
    if (stop.Stopped()) return FetchResult::kStopped;
    if (received) return FetchResult::kReceived;
    if (stop.WaitFor(wait)) return FetchResult::kStopped;
  }
  return FetchResult::kGaveUp;
}

}  // namespace sweeplet
