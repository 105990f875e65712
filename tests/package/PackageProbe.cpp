// Looks at an installed Sweeplet from inside the Wine prefix, for tests/package/test_package.sh:
//   PackageProbe window <ms>             waits for Sweeplet's visible main window; prints its process id
//   PackageProbe count                   prints how many main windows exist
//   PackageProbe uninstall <msi>         with Sweeplet running, runs "msiexec /x <msi> /qn" and prints when
//                                        the running Sweeplet ended: after msiexec's start (ended_ms) and
//                                        after the "/uninst" messenger the uninstall started (closed_ms)
// Prints key=value lines; exits 0 when what was asked for happened.
#include <windows.h>
#include <tlhelp32.h>

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

// Another Sweeplet.exe than the running one: the "/uninst" messenger that the uninstall started.
bool MessengerRunning(DWORD runningPid) {
  HANDLE raw = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (raw == INVALID_HANDLE_VALUE) return false;
  UniqueHandle snapshot(raw);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(raw, &entry); more; more = ::Process32NextW(raw, &entry)) {
    if (entry.th32ProcessID != runningPid && ::_wcsicmp(entry.szExeFile, L"Sweeplet.exe") == 0) return true;
  }
  return false;
}

int UninstallWhileRunning(const std::wstring& msi) {
  const DWORD pid = MainWindowProcess();
  UniqueHandle running(::OpenProcess(SYNCHRONIZE, FALSE, pid));
  if (pid == 0 || !running) {
    std::printf("running=none\n");
    return 1;
  }
  wchar_t system[MAX_PATH] = {};
  ::GetSystemDirectoryW(system, MAX_PATH);
  const ULONGLONG start = ::GetTickCount64();
  Process msiexec(L"/x \"" + msi + L"\" /qn", std::wstring(system) + L"\\msiexec.exe");
  if (!msiexec.Started()) {
    std::printf("msiexec=not-started\n");
    return 1;
  }
  ULONGLONG messengerAt = 0;
  bool ended = false;
  while (!ended && ::GetTickCount64() - start < 60000) {
    ended = ::WaitForSingleObject(running.get(), 10) == WAIT_OBJECT_0;
    if (!ended && messengerAt == 0 && MessengerRunning(pid)) messengerAt = ::GetTickCount64();
  }
  const ULONGLONG endedAt = ::GetTickCount64();
  const bool finished = msiexec.WaitExit(120000);
  std::printf("ended=%d\nended_ms=%llu\nclosed_ms=%lld\nmsiexec_exit=%lu\n", ended ? 1 : 0, endedAt - start,
              messengerAt ? static_cast<long long>(endedAt - messengerAt) : -1LL,
              finished ? msiexec.ExitCode() : STILL_ACTIVE);
  return ended && finished && msiexec.ExitCode() == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"window" && argc == 3) return WaitWindow(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
  if (command == L"count") {
    std::printf("count=%d\n", CountMainWindows());
    return 0;
  }
  if (command == L"uninstall" && argc == 3) return UninstallWhileRunning(argv[2]);
  std::fwprintf(stderr, L"usage: PackageProbe window <ms> | count | uninstall <msi>\n");
  return 2;
}
