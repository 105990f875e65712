// For the crash tests only, never shipped: installs the reporter as Sweeplet does and fails in
// the way its argument names. Started with the reporter's switch it is the reporter, sending to
// SWEEPLET_TEST_CRASH_ENDPOINT when that is set.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>
#include <thread>

#include "crash/CrashHandler.h"
#include "crash/Reporter.h"
#include "i18n/TranslateWin.h"

// Outside the anonymous namespace: there the compiler leaves the pure slot empty instead of
// pointing it at the run-time's handler.
struct Base {
  Base() { CallVirtual(); }
  // Through a pointer the compiler cannot follow: the call must go through the vtable.
  __attribute__((noinline)) void CallVirtual() {
    Base* volatile self = this;
    self->Run();
  }
  virtual void Run() = 0;
  virtual ~Base() = default;
};
struct Derived : Base {
  void Run() override {}
};
namespace {

__attribute__((noinline)) void FailAccessViolation() {
  volatile int* volatile nowhere = nullptr;  // volatile: the compiler may not drop the write
  *nowhere = 1;
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winfinite-recursion"
__attribute__((noinline)) int FailStackOverflow(int depth) {
  // A page or more per frame, as deep recursion with buffers has: the stack probe then meets the
  // guard page with room left (Wine cannot dispatch an overflow met by a plain store at all).
  volatile char room[4096];
  room[0] = static_cast<char>(depth);
  return FailStackOverflow(depth + 1) + room[0];
}
#pragma GCC diagnostic pop

__attribute__((noinline)) void ThrowOnWorker() { throw std::runtime_error("escapes the worker"); }

__attribute__((noinline)) void FailOnWorker() {
  std::thread worker([] { ThrowOnWorker(); });
  worker.join();
}

__attribute__((noinline)) void FailTerminate() { std::terminate(); }

__attribute__((noinline)) void FailPureVirtual() { Derived d; }

__attribute__((noinline)) void FailAbort() { std::abort(); }

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  const std::wstring row = argv && argc > 1 ? argv[1] : L"";
  if (row == sweeplet::kSwitchCrashReport) {
    sweeplet::InitTranslation();
    wchar_t endpoint[512] = {};
    ::GetEnvironmentVariableW(L"SWEEPLET_TEST_CRASH_ENDPOINT", endpoint, 512);
    return sweeplet::RunCrashReporter({endpoint});
  }
  if (!sweeplet::InstallCrashHandler()) return 100;
  if (row == L"access-violation") FailAccessViolation();
  if (row == L"stack-overflow") return FailStackOverflow(0);
  if (row == L"thread-exception") FailOnWorker();
  if (row == L"terminate") FailTerminate();
  if (row == L"pure-virtual") FailPureVirtual();
  if (row == L"abort") FailAbort();
  return 101;
}
