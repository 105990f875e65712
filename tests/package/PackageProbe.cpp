// Looks at an installed Sweeplet from inside the Wine prefix, for tests/package/test_package.sh:
//   PackageProbe window <ms>             waits for Sweeplet's visible main window; prints its process id
//   PackageProbe running <ms>            waits for Sweeplet's main window, shown or not; prints whether it
//                                        shows and its process id
//   PackageProbe count                   prints how many main windows exist
//   PackageProbe closeapp                asks the running Sweeplet to end as the Restart Manager does for an
//                                        installer (Wine's msiexec has none): WM_QUERYENDSESSION, then
//                                        WM_ENDSESSION, both with ENDSESSION_CLOSEAPP; prints its answer and
//                                        whether its process ended
// Prints key=value lines; exits 0 when what was asked for happened.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "common/UniqueHandle.h"
#include "tests/e2e/Driver.h"

using namespace sweeplet;
using namespace sweeplet::drive;

namespace {

DWORD MainWindowProcess() {
  DWORD pid = 0;
  if (HWND w = MainWindow()) ::GetWindowThreadProcessId(w, &pid);
  return pid;
}

int WaitWindow(DWORD timeoutMs) {
  if (!WaitFor([] { return MainWindow() && ::IsWindowVisible(MainWindow()); }, timeoutMs)) {
    std::printf("window=none\n");
    return 1;
  }
  std::printf("window=visible\npid=%lu\n", MainWindowProcess());
  return 0;
}

int WaitRunning(DWORD timeoutMs) {
  if (!WaitFor([] { return MainWindow() != nullptr; }, timeoutMs)) {
    std::printf("window=none\n");
    return 1;
  }
  std::printf("window=%s\npid=%lu\n", ::IsWindowVisible(MainWindow()) ? "visible" : "hidden", MainWindowProcess());
  return 0;
}

int CloseApp() {
  HWND w = MainWindow();
  const DWORD pid = MainWindowProcess();
  UniqueHandle running(::OpenProcess(SYNCHRONIZE, FALSE, pid));
  if (!w || !running) {
    std::printf("running=none\n");
    return 1;
  }
  DWORD_PTR answer = 0;
  const bool answered =
      ::SendMessageTimeoutW(w, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, 5000, &answer) != 0;
  // Sent only when it agreed, as the Restart Manager does; the window may be gone by then.
  DWORD_PTR ignored = 0;
  if (answered && answer) {
    ::SendMessageTimeoutW(w, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, 5000, &ignored);
  }
  const bool ended = ::WaitForSingleObject(running.get(), 30000) == WAIT_OBJECT_0;
  std::printf("answer=%d\nended=%d\n", answered ? static_cast<int>(answer) : -1, ended ? 1 : 0);
  return answered && answer && ended ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"window" && argc == 3) return WaitWindow(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
  if (command == L"count") {
    std::printf("count=%d\n", CountMainWindows());
    return 0;
  }
  if (command == L"running" && argc == 3) return WaitRunning(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
  if (command == L"closeapp") return CloseApp();
  std::fwprintf(stderr, L"usage: PackageProbe window <ms> | running <ms> | count | closeapp\n");
  return 2;
}
