// Measures Sweeplet.exe beside a bare window under the same conditions:
// start-up time until the window is visible, working set and private bytes once idle,
// CPU used while idle, and the cost of one status tick measured in-process.
#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "common/SystemProc.h"
#include "common/UiDispatcher.h"
#include "i18n/TranslateWin.h"
#include "tests/e2e/Driver.h"

using namespace sweeplet;

namespace {

struct Figures {
  double startMs = 0, workingSetKb = 0, privateKb = 0, cpuPercent = 0;
};

double Now() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

ULONGLONG CpuTime(HANDLE process) {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(process, &created, &exited, &kernel, &user);
  auto v = [](FILETIME t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return v(kernel) + v(user);
}

// The documented VM_COUNTERS_EX layout (the mingw headers stop at VM_COUNTERS).
struct VmCountersEx {
  SIZE_T PeakVirtualSize, VirtualSize;
  ULONG PageFaultCount;
  SIZE_T PeakWorkingSetSize, WorkingSetSize, QuotaPeakPagedPoolUsage, QuotaPagedPoolUsage,
      QuotaPeakNonPagedPoolUsage, QuotaNonPagedPoolUsage, PagefileUsage, PeakPagefileUsage, PrivateUsage;
};

SIZE_T PrivateBytes(HANDLE process) {
  // Wine reports private usage only through the VM counters.
  using Query = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  static const auto query = SystemProc<Query>(L"ntdll.dll", "NtQueryInformationProcess");
  VmCountersEx counters{};
  if (query && query(process, static_cast<PROCESSINFOCLASS>(3 /* ProcessVmCounters */), &counters, sizeof(counters), nullptr) == 0) return counters.PrivateUsage;
  return 0;
}

Figures Measure(const std::wstring& exe, const wchar_t* windowClass, DWORD idleSeconds) {
  Figures f;
  const double start = Now();
  drive::Process p(L"", exe);
  if (!p.Started()) return f;
  drive::WaitFor([&] {
    HWND w = FindWindowW(windowClass, nullptr);
    return w && IsWindowVisible(w);
  }, 30000);
  f.startMs = Now() - start;
  HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, p.Id());
  Sleep(3000);  // let it settle
  const ULONGLONG cpu0 = CpuTime(h);
  Sleep(idleSeconds * 1000);
  const ULONGLONG cpu1 = CpuTime(h);
  f.cpuPercent = static_cast<double>(cpu1 - cpu0) / (idleSeconds * 1e7) * 100.0;
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof(pmc);
  GetProcessMemoryInfo(h, &pmc, sizeof(pmc));
  f.workingSetKb = pmc.WorkingSetSize / 1024.0;
  f.privateKb = PrivateBytes(h) / 1024.0;
  CloseHandle(h);
  return f;
}

// One status tick of a real window in this process, timed many times; the median in microseconds.
double TickMedianMicroseconds(int ticks) {
  InitTranslation();
  static UiDispatcher dispatcher;
  UiDispatcher::SetMain(&dispatcher);
  TFrmSweeplet::RegisterWindowClass(GetModuleHandleW(nullptr));
  Services services = DefaultServices();
  services.updateServiceUrl.clear();  // no network here
  double last = Now();
  services.startupStep = [&last](const char* step) {
    const double t = Now();
    std::printf("  start-up step %-12s %8.1f ms\n", step, t - last);
    last = t;
  };
  std::printf("In-process window creation:\n");
  TFrmSweeplet window(StartOptions{}, services);
  window.Create();
  std::vector<double> samples;
  samples.reserve(static_cast<size_t>(ticks));
  for (int i = 0; i < ticks; ++i) {
    const double t0 = Now();
    window.TmrStatusTimer();
    samples.push_back((Now() - t0) * 1000.0);
  }
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const DWORD idle = argc > 1 ? static_cast<DWORD>(_wtoi(argv[1])) : 60;
  std::wstring dir = drive::SweepletPath();
  dir = dir.substr(0, dir.find_last_of(L"\\/") + 1);
  const Figures bare = Measure(dir + L"BareWindow.exe", L"BareWindow", idle);
  drive::KillAll();
  const Figures app = Measure(dir + L"Sweeplet.exe", L"TFrmSweeplet", idle);
  drive::KillAll();
  const double tick = TickMedianMicroseconds(2000);
  std::printf("\n");

  std::printf("%-28s %12s %12s %8s\n", "", "bare window", "Sweeplet", "ratio");
  auto row = [](const char* name, double a, double b) {
    std::printf("%-28s %12.1f %12.1f %8.2f\n", name, a, b, a > 0 ? b / a : 0.0);
  };
  row("start to visible (ms)", bare.startMs, app.startMs);
  row("working set idle (KiB)", bare.workingSetKb, app.workingSetKb);
  row("private bytes idle (KiB)", bare.privateKb, app.privateKb);
  std::printf("%-28s %12.3f %12.3f\n", "idle CPU (%)", bare.cpuPercent, app.cpuPercent);
  std::printf("%-28s %12s %12.1f\n", "status tick, median (us)", "-", tick);
  std::printf("idle CPU measured over %lu s\n", static_cast<unsigned long>(idle));
  return 0;
}
