#pragma once
// Stands in for the user's app mode and the desktop window manager: answers `appsUseLightTheme`
// and records every frame the code asks for. The value may be changed from another thread while
// a window of the code under test runs.
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "theme/FrameMode.h"

namespace sweeplet::testing {

class FakeFrameMode : public IFrameModeSystem {
 public:
  void SetValue(std::optional<DWORD> value) {
    std::lock_guard lock(mutex_);
    value_ = value;
  }
  // Every (window, dark) asked for so far, in order.
  std::vector<std::pair<HWND, bool>> Frames() {
    std::lock_guard lock(mutex_);
    return frames_;
  }

  std::optional<DWORD> AppsUseLightTheme() noexcept override {
    std::lock_guard lock(mutex_);
    return value_;
  }
  void SetDarkFrame(HWND window, bool dark) noexcept override {
    std::lock_guard lock(mutex_);
    frames_.emplace_back(window, dark);
  }

 private:
  std::mutex mutex_;
  std::optional<DWORD> value_;
  std::vector<std::pair<HWND, bool>> frames_;
};

}  // namespace sweeplet::testing
