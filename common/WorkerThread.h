#pragma once
// A worker thread for one blocking job. The owner can wait for it from the user-interface
// thread while still serving the synchronous hand-offs (sent messages) the worker makes,
// so waiting never deadlocks against a worker that is handing its result back.
#include <windows.h>

#include <functional>
#include <memory>

#include "common/MessageWait.h"
#include "common/UniqueHandle.h"

namespace sweeplet {

bool StartDetachedThread(std::function<void()> job) noexcept;

class WorkerThread {
 public:
  WorkerThread() = default;
  ~WorkerThread() { Join(); }
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Starts `job` on a new thread; returns false when the thread could not be created.
  bool Start(std::function<void()> job) noexcept {
    Join();
    auto* context = new (std::nothrow) std::function<void()>(std::move(job));
    if (!context) return false;
    handle_.reset(::CreateThread(nullptr, 0, &WorkerThread::Entry, context, 0, nullptr));
    ++started_;
    if (!handle_) {
      delete context;
      return false;
    }
    return true;
  }

  // Waits for the thread to end, serving messages sent to this thread meanwhile. A message served
  // here may join (or start) this same worker again and close the handle; the wait is therefore
  // on a handle of its own, and the member is let go only if it still holds the thread waited for.
  void Join() noexcept {
    if (!handle_) return;
    const unsigned started = started_;
    const HANDLE self = ::GetCurrentProcess();
    HANDLE copy = nullptr;
    if (!::DuplicateHandle(self, handle_.get(), self, &copy, SYNCHRONIZE, FALSE, 0)) copy = nullptr;
    const UniqueHandle own(copy);
    WaitServingSentMessages(own ? own.get() : handle_.get());
    if (started_ == started) handle_.reset();
  }

 private:
  static DWORD WINAPI Entry(void* parameter) {
    std::unique_ptr<std::function<void()>> job(static_cast<std::function<void()>*>(parameter));
    try {
      (*job)();
    } catch (...) {
      // A job's failure is its own; nothing crosses the thread boundary.
    }
    return 0;
  }

  friend bool StartDetachedThread(std::function<void()> job) noexcept;

  UniqueHandle handle_;
  unsigned started_ = 0;  // threads started so far: tells a nested Start from the thread waited for
};

// Starts `job` on a thread that nobody waits for; false when the thread could not be created.
inline bool StartDetachedThread(std::function<void()> job) noexcept {
  auto* context = new (std::nothrow) std::function<void()>(std::move(job));
  if (!context) return false;
  const UniqueHandle thread(::CreateThread(nullptr, 0, &WorkerThread::Entry, context, 0, nullptr));
  if (!thread) delete context;
  return static_cast<bool>(thread);
}

}  // namespace sweeplet
