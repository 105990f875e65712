// Entry point: decides whether this start becomes the running instance or hands over to it.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "app/Entry.h"
#include "app/MainWindow.h"
#include "app/TrayIcon.h"
#include "common/AppGlobals.h"
#include "common/SystemProc.h"
#include "common/UiDispatcher.h"
#include "common/UniqueHandle.h"
#include "crash/CrashEndpoint.h"
#include "crash/CrashHandler.h"
#include "crash/Reporter.h"
#include "i18n/TranslateWin.h"
#include "i18n/TranslationTable.h"
#include "memory/MemoryPurge.h"
#include "memory/Privilege.h"
#include "theme/ButtonStyles.h"

namespace sweeplet {
namespace {

std::wstring FirstArgument() {
  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  std::wstring first = argv && argc > 1 ? argv[1] : L"";
  if (argv) ::LocalFree(argv);
  return first;
}

class Win32EntryPlatform : public IEntryPlatform {
 public:
  explicit Win32EntryPlatform(std::wstring firstArgument) : firstArgument_(std::move(firstArgument)) {}

  bool FindInstanceWindow() override {
    window_ = ::FindWindowW(kInstanceName, nullptr);
    return window_ != nullptr;
  }
  HandOffResult SendHandOff(HandOff command) override {
    if (!window_) return HandOffResult::NoWindow;
    // The result is not read; success means the window's thread handled the message in time.
    DWORD_PTR ignored = 0;
    return ::SendMessageTimeoutW(window_, WM_USER, static_cast<WPARAM>(command), 0,
                                 SMTO_ABORTIFHUNG | SMTO_NORMAL, kHandOffTimeoutMs, &ignored)
               ? HandOffResult::Delivered
               : HandOffResult::Failed;
  }
  void AllowInstanceForeground() override {
    DWORD pid = 0;
    if (window_ && ::GetWindowThreadProcessId(window_, &pid) && pid) ::AllowSetForegroundWindow(pid);
  }
  bool WatchInstanceProcess() override {
    DWORD pid = 0;
    if (!window_ || !::GetWindowThreadProcessId(window_, &pid) || !pid) return false;
    // Only to wait on: nothing else is asked of another process.
    process_.reset(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    return static_cast<bool>(process_);
  }
  bool InstanceProcessRunning() override {
    return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
  }
  bool InstanceHung() override { return window_ && ::IsHungAppWindow(window_); }
  void Sleep(unsigned ms) override { ::Sleep(ms); }
  bool OpenInstanceMutex() override {
    // Held until the process ends: its existence is what tells later starts that we run.
    mutex_.reset(::OpenMutexW(MUTEX_ALL_ACCESS, FALSE, kInstanceName));
    return static_cast<bool>(mutex_);
  }
  bool CreateInstanceMutexFoundExisting() override {
    mutex_.reset(::CreateMutexW(nullptr, TRUE, kInstanceName));
    return mutex_ && ::GetLastError() == ERROR_ALREADY_EXISTS;
  }
  void RunInstance(bool hidden) override {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);
    static UiDispatcher dispatcher;  // lives as long as the process: workers may still hold it
    UiDispatcher::SetMain(&dispatcher);
    SetShowMainFormFlag(!hidden);

    TFrmSweeplet::RegisterWindowClass(instance);
    TFrmSweeplet window(StartOptions{firstArgument_}, DefaultServices());
    if (!window.Create()) return;
    if (!hidden) {
      ::ShowWindow(window.Handle(), SW_SHOWNORMAL);
      ::UpdateWindow(window.Handle());
    }
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (window.Handle() && ::IsDialogMessageW(window.Handle(), &msg)) continue;
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  void PurgeHere() override {
    // The same memory calls and privileges as the window's jobs; nothing else of the window.
    const Services services = DefaultServices();
    EnablePrivilege(kIncreaseQuotaPrivilege, true, *services.token);
    EnablePrivilege(kProfileSingleProcessPrivilege, true, *services.token);
    PurgeMemory(*services.memory);
  }

 private:
  // A few seconds: a copy that is busy for a moment still answers, one that never does cannot
  // hold this start.
  static constexpr UINT kHandOffTimeoutMs = 5000;

  std::wstring firstArgument_;
  HWND window_ = nullptr;
  UniqueHandle process_;
  UniqueHandle mutex_;
};

}  // namespace
}  // namespace sweeplet

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // The program runs elevated and its folder may be writable: no DLL is taken from there or
  // from the current directory.
  sweeplet::RestrictDllSearch();
  std::wstring first = sweeplet::FirstArgument();
  // Before any window or thread exists, a failure of this copy is made reportable; the reporter
  // itself never reports, so that its own failure cannot start another.
  const bool reporter = first == sweeplet::kSwitchCrashReport;
  if (!reporter) sweeplet::InstallCrashHandler();
  // Before anything else, on every start: the translation table and the user's language.
  sweeplet::InitTranslation();
  sweeplet::RegisterStyleFamily();
  if (reporter) return sweeplet::RunCrashReporter({sweeplet::kCrashEndpoint});
  sweeplet::Win32EntryPlatform platform(first);
  const sweeplet::StartOutcome outcome = sweeplet::RunEntry(first, platform);
  sweeplet::ReleaseTranslation();
  // The mutex handle is released with the process. Non-zero only when the running copy could
  // not be reached: nothing was started then either.
  return sweeplet::ExitCodeOf(outcome);
}
