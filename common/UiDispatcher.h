#pragma once
// Synchronous hand-off from a worker thread to the user-interface thread.
// Create one on the user-interface thread; workers call Run(), which returns after the
// procedure has run there (or at once, doing nothing, once the dispatcher is closed).
#include <windows.h>

#include <atomic>
#include <functional>

namespace sweeplet {

class UiDispatcher {
 public:
  UiDispatcher();
  ~UiDispatcher();
  UiDispatcher(const UiDispatcher&) = delete;
  UiDispatcher& operator=(const UiDispatcher&) = delete;

  // Runs `work` on the thread that created the dispatcher and waits for it.
  // Returns false (without running it) once Close() was called. Exceptions from `work` are dropped.
  bool Run(const std::function<void()>& work) noexcept;

  // After Close() no further work runs; called when the program is ending.
  void Close() noexcept;
  bool IsClosed() const noexcept { return closed_.load(); }

  // The process-wide dispatcher of the user-interface thread (null until the main window exists).
  static UiDispatcher* Main() noexcept;
  static void SetMain(UiDispatcher* dispatcher) noexcept;

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
  std::atomic<bool> closed_{false};
};

}  // namespace sweeplet
