// Entry point: decides whether this start becomes the running instance or hands over to it.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/Entry.h"
#include "app/MainWindow.h"
#include "app/SettingsModel.h"
#include "app/logic/UserLocale.h"
#include "app/TrayIcon.h"
#include "common/AppGlobals.h"
#include "common/SystemProc.h"
#include "common/UiDispatcher.h"
#include "common/UniqueHandle.h"
#include "common/Utf.h"
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

// The arguments after the program's path.
std::vector<std::wstring> Arguments() {
  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  std::vector<std::wstring> arguments;
  for (int i = 1; argv && i < argc; ++i) arguments.emplace_back(argv[i]);
  if (argv) ::LocalFree(argv);
  return arguments;
}

// The line of a "/clean": into the output the starter redirected (a file or a pipe), else into
// the console of the process that started us, if it has one. A start from the desktop or a
// scheduled task has neither and shows nothing.
void WriteCleanLine(const std::string& line) {
  const HANDLE inherited = ::GetStdHandle(STD_OUTPUT_HANDLE);
  const DWORD type = inherited && inherited != INVALID_HANDLE_VALUE ? ::GetFileType(inherited) : FILE_TYPE_UNKNOWN;
  if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) {
    const std::string text = line + "\r\n";
    DWORD written = 0;
    ::WriteFile(inherited, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;
  {
    const UniqueHandle console(::CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
    if (console && console.get() != INVALID_HANDLE_VALUE) {
      const std::wstring text = Widen(line) + L"\r\n";
      DWORD written = 0;
      ::WriteConsoleW(console.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
  }
  ::FreeConsole();
}

class Win32EntryPlatform : public IEntryPlatform {
 public:
  explicit Win32EntryPlatform(std::wstring firstArgument) : firstArgument_(std::move(firstArgument)) {}

  HandOffResult AskInstance(HandOff command, uintptr_t argument, intptr_t& reply) override {
    if (!window_) return HandOffResult::NoWindow;
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window_, WM_USER, static_cast<WPARAM>(command), static_cast<LPARAM>(argument),
                               SMTO_ABORTIFHUNG | SMTO_NORMAL, kHandOffTimeoutMs, &result)) {
      return HandOffResult::Failed;
    }
    reply = static_cast<intptr_t>(result);
    return HandOffResult::Delivered;
  }
  void ReportClean(const CleanReport& report) override {
    const CleanLineTexts texts{
        Translate("확보한 메모리: %s"),
        Translate("더 정리할 메모리가 없습니다."),
        Translate("정리하지 못했습니다: 선택한 영역이 없거나 시스템이 모든 요청을 거부했습니다."),
        Translate("이미 메모리를 정리하는 중입니다."),
        Translate("실행 중인 Sweeplet에 연결하지 못했거나 정리가 끝나지 않았습니다."),
        Translate("알 수 없는 옵션 또는 영역: %s (영역: filecache, workingsets, standby-low, standby, modified, combine)"),
    };
    WriteCleanLine(CleanReportLine(report, texts, ReadUserNumberSeparators()));
  }

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
  PurgeResult PurgeHere(uint32_t areas) override {
    // The same memory calls and privileges as the window's jobs; nothing else of the window.
    const Services services = DefaultServices();
    EnablePrivilege(kIncreaseQuotaPrivilege, true, *services.token);
    EnablePrivilege(kProfileSingleProcessPrivilege, true, *services.token);
    if (areas == 0) areas = SettingsModel::ReadPurgeAreas(services.settings);
    return PurgeMemoryMeasured(*services.memory, areas);
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
  const std::vector<std::wstring> arguments = sweeplet::Arguments();
  const std::wstring first = arguments.empty() ? L"" : arguments.front();
  // Before any window or thread exists, a failure of this copy is made reportable; the reporter
  // itself never reports, so that its own failure cannot start another.
  const bool reporter = first == sweeplet::kSwitchCrashReport;
  if (!reporter) sweeplet::InstallCrashHandler();
  // Before anything else, on every start: the translation table and the user's language.
  sweeplet::InitTranslation();
  sweeplet::RegisterStyleFamily();
  if (reporter) return sweeplet::RunCrashReporter({sweeplet::kCrashEndpoint});
  sweeplet::Win32EntryPlatform platform(first);
  const std::span<const std::wstring> more =
      arguments.empty() ? std::span<const std::wstring>() : std::span<const std::wstring>(arguments).subspan(1);
  const sweeplet::StartOutcome outcome = sweeplet::RunEntry(first, platform, more);
  sweeplet::ReleaseTranslation();
  // The mutex handle is released with the process. Non-zero when the running copy could not be
  // reached, and when a "/clean" did not clean (see the README's table).
  return sweeplet::ExitCodeOf(outcome);
}
