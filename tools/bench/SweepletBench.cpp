// Measures Sweeplet.exe beside a bare window under the same conditions. scripts/bench runs it
// several times (a fresh session for each first start) and sums up the lines it prints:
//   SweepletBench first bare|app          one start, the first of the session
//   SweepletBench starts N                N starts of each program, interleaved
//   SweepletBench idle N SECONDS          N rounds of both programs side by side: memory when the
//                                         window shows, when the update check is over, and after
//                                         SECONDS of idling, with the CPU used meanwhile
//   SweepletBench inproc N TICKS          N window creations in this process, timed step by step,
//                                         each followed by the first opening of its Config page;
//                                         then TICKS status ticks, timed and their allocations counted,
//                                         first as shown by default, then with the use on the tray icon
//   SweepletBench trayicon TICKS          TICKS readings that each change the number on the tray icon,
//                                         drawn and handed to a stand-in shell: time, allocations and
//                                         whether the icon's GDI objects are freed
// Each figure is one line: "<kind> <moment> <program> <value>...".
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "app/MainWindow.h"
#include "app/TrayArea.h"
#include "common/SystemProc.h"
#include "common/UiDispatcher.h"
#include "crash/CrashHandler.h"
#include "i18n/TranslateWin.h"
#include "memory/MemoryStatus.h"
#include "memory/SystemMemory.h"
#include "tests/e2e/Driver.h"

using namespace sweeplet;

// Counts the heap allocations made through operator new in this process (the in-process ticks).
namespace {
std::atomic<long> g_allocations{0};
}

void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

struct Program {
  const char* name;
  const wchar_t* exe;
  const wchar_t* windowClass;
};

constexpr Program kBare{"bare", L"BareWindow.exe", L"BareWindow"};
constexpr Program kApp{"app", L"Sweeplet.exe", L"TFrmSweeplet"};

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

// Private bytes and working set in KiB. Wine reports private usage only through the VM counters.
void Memory(HANDLE process, double& privateKb, double& workingSetKb) {
  using Query = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  static const auto query = SystemProc<Query>(L"ntdll.dll", "NtQueryInformationProcess");
  VmCountersEx counters{};
  privateKb = 0;
  if (query && query(process, static_cast<PROCESSINFOCLASS>(3 /* ProcessVmCounters */), &counters,
                     sizeof(counters), nullptr) == 0)
    privateKb = counters.PrivateUsage / 1024.0;
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof(pmc);
  GetProcessMemoryInfo(process, &pmc, sizeof(pmc));
  workingSetKb = pmc.WorkingSetSize / 1024.0;
}

std::vector<DWORD> Threads(DWORD processId) {
  std::vector<DWORD> ids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == processId) ids.push_back(entry.th32ThreadID);
  CloseHandle(snapshot);
  return ids;
}

std::wstring Folder() {
  std::wstring dir = drive::SweepletPath();
  return dir.substr(0, dir.find_last_of(L"\\/") + 1);
}

// A started program whose window is visible.
struct Started {
  drive::Process process;
  HANDLE handle = nullptr;
  HWND window = nullptr;
  double startMs = -1;
};

Started Start(const Program& program) {
  Started s;
  const double t0 = Now();
  s.process = drive::Process(L"", Folder() + program.exe);
  if (!s.process.Started()) return s;
  // Polled without a pause: the figure is a few tens of milliseconds for the bare window.
  const double limit = t0 + 30000;
  while (Now() < limit) {
    HWND w = FindWindowW(program.windowClass, nullptr);
    if (w && IsWindowVisible(w)) {
      s.window = w;
      s.startMs = Now() - t0;
      break;
    }
    SwitchToThread();
  }
  s.handle = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, s.process.Id());
  return s;
}

void PrintMemory(const char* moment, const Program& program, HANDLE process) {
  double privateKb = 0, workingSetKb = 0;
  Memory(process, privateKb, workingSetKb);
  std::printf("private %s %s %.0f\n", moment, program.name, privateKb);
  std::printf("workingset %s %s %.0f\n", moment, program.name, workingSetKb);
}

void OneStart(const char* moment, const Program& program) {
  Started s = Start(program);
  std::printf("start %s %s %.1f\n", moment, program.name, s.startMs);
  if (s.handle) {
    PrintMemory("shown", program, s.handle);
    CloseHandle(s.handle);
  }
  std::fflush(stdout);
}

void Finish() {
  drive::KillAll();
  HWND bare = FindWindowW(kBare.windowClass, nullptr);
  if (bare) PostMessageW(bare, WM_CLOSE, 0, 0);
  drive::WaitFor([] { return FindWindowW(kBare.windowClass, nullptr) == nullptr; }, 5000);
}

// Both programs side by side: the update check has ended once every thread that Sweeplet had
// besides its window's when the window showed has ended. The bench only waits for it.
void IdleRound(DWORD idleSeconds) {
  Started app = Start(kApp);
  Started bare = Start(kBare);
  if (!app.handle || !bare.handle) {
    std::printf("error idle round: a program did not start\n");
    Finish();
    return;
  }
  PrintMemory("shown", kApp, app.handle);
  PrintMemory("shown", kBare, bare.handle);
  const DWORD uiThread = GetWindowThreadProcessId(app.window, nullptr);
  std::vector<DWORD> workers = Threads(app.process.Id());
  std::erase(workers, uiThread);
  const double t0 = Now();
  const bool over = drive::WaitFor(
      [&] {
        const std::vector<DWORD> now = Threads(app.process.Id());
        return std::none_of(workers.begin(), workers.end(),
                            [&](DWORD id) { return std::find(now.begin(), now.end(), id) != now.end(); });
      },
      180000);
  std::printf("check %s %.1f\n", over ? "over" : "unfinished", (Now() - t0) / 1000.0);
  Sleep(1000);  // let the check's last hand-over run
  PrintMemory("checked", kApp, app.handle);
  PrintMemory("checked", kBare, bare.handle);
  const ULONGLONG appCpu = CpuTime(app.handle), bareCpu = CpuTime(bare.handle);
  Sleep(idleSeconds * 1000);
  PrintMemory("idle", kApp, app.handle);
  PrintMemory("idle", kBare, bare.handle);
  std::printf("cpu idle app %.3f\n", (CpuTime(app.handle) - appCpu) / (idleSeconds * 1e7) * 100.0);
  std::printf("cpu idle bare %.3f\n", (CpuTime(bare.handle) - bareCpu) / (idleSeconds * 1e7) * 100.0);
  std::fflush(stdout);
  CloseHandle(app.handle);
  CloseHandle(bare.handle);
  Finish();
}

// Serves this thread's messages until the threads that the window's start-up began have ended
// (the logon-task lookup hands its answer over through a sent message), at most `limitMs`: what
// they allocate would otherwise land in the figure taken next.
void Settle(const std::vector<DWORD>& threadsBefore, DWORD limitMs) {
  const double end = Now() + limitMs;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    const std::vector<DWORD> now = Threads(GetCurrentProcessId());
    const bool started = std::any_of(now.begin(), now.end(), [&](DWORD id) {
      return std::find(threadsBefore.begin(), threadsBefore.end(), id) == threadsBefore.end();
    });
    if (!started) return;
    if (Now() > end) {
      std::printf("error settle: start-up threads still running after %lu ms\n", limitMs);
      return;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// A click on one of the header's page buttons as it reaches the window: WM_COMMAND with the
// button's id and handle. Returns false when the window has no such button.
bool ClickPageButton(HWND window, int id) {
  const HWND button = drive::Control(window, id);
  if (!button) return false;
  SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  return true;
}

// The first opening of the window's Config page once its start-up has settled: time and private
// bytes added. The Home page is
// shown again after it, so that the ticks below run as they do on an open window.
void FirstConfigOpen(HWND window, const char* moment) {
  double before = 0, after = 0, workingSetKb = 0;
  Memory(GetCurrentProcess(), before, workingSetKb);
  const double t0 = Now();
  const bool clicked = ClickPageButton(window, IdBtnConfig);
  const double ms = Now() - t0;
  Memory(GetCurrentProcess(), after, workingSetKb);
  if (!clicked || !ClickPageButton(window, IdBtnHome)) {
    std::printf("error config open: the window has no page buttons\n");
    return;
  }
  std::printf("config %s %.2f %.0f\n", moment, ms, after - before);
}

// Window creations in this process with the program's own services, step by step, each followed
// by the first opening of its Config page; then the status tick of the last window, timed, with
// the allocations it makes.
void InProcess(int creations, int ticks) {
  InitTranslation();
  // The crash reporter's preparation, as every start makes it before its window.
  {
    double before = 0, after = 0, workingSetKb = 0;
    Memory(GetCurrentProcess(), before, workingSetKb);
    const double t0 = Now();
    InstallCrashHandler();
    const double ms = Now() - t0;
    Memory(GetCurrentProcess(), after, workingSetKb);
    std::printf("step first crash %.3f %.0f\n", ms, after - before);
  }
  static UiDispatcher dispatcher;
  UiDispatcher::SetMain(&dispatcher);
  TFrmSweeplet::RegisterWindowClass(GetModuleHandleW(nullptr));
  // Every window stays: closing one would close the dispatcher the next one needs.
  std::vector<std::unique_ptr<TFrmSweeplet>> windows;
  for (int i = 0; i < creations; ++i) {
    Services services = DefaultServices();
    services.updateServiceUrl.clear();  // no network here
    double last = Now(), lastPrivateKb = 0, workingSetKb = 0;
    Memory(GetCurrentProcess(), lastPrivateKb, workingSetKb);
    const char* moment = i == 0 ? "first" : "later";
    services.startupStep = [&last, &lastPrivateKb, moment](const char* step) {
      const double t = Now();
      double privateKb = 0, ws = 0;
      Memory(GetCurrentProcess(), privateKb, ws);
      std::printf("step %s %s %.2f %.0f\n", moment, step, t - last, privateKb - lastPrivateKb);
      last = Now();
      lastPrivateKb = privateKb;
    };
    windows.push_back(std::make_unique<TFrmSweeplet>(StartOptions{}, services));
    const std::vector<DWORD> threadsBefore = Threads(GetCurrentProcessId());
    windows.back()->Create();
    Settle(threadsBefore, 20000);
    FirstConfigOpen(windows.back()->Handle(), moment);
    std::fflush(stdout);
  }
  TFrmSweeplet& window = *windows.back();
  const auto timeTicks = [&](const char* kind) {
    for (int i = 0; i < 50; ++i) window.TmrStatusTimer();  // warm
    for (int i = 0; i < ticks; ++i) {
      const long before = g_allocations.load();
      const double t0 = Now();
      window.TmrStatusTimer();
      const double us = (Now() - t0) * 1000.0;
      std::printf("%s us %.2f\n%s allocations %ld\n", kind, us, kind, g_allocations.load() - before);
    }
  };
  timeTicks("tick");
  // The same with the use drawn on the tray icon (switched on by its box, and off again after: the
  // setting is stored). Equal readings: the icon is drawn once, then never again.
  const HWND useBox = drive::Control(window.Handle(), IdChkTrayUse);
  if (useBox) {
    SendMessageW(useBox, BM_CLICK, 0, 0);
    timeTicks("tickuse");
    SendMessageW(useBox, BM_CLICK, 0, 0);
  } else {
    std::printf("error tickuse: no use-on-icon box on the Config page\n");
  }
  // The system's share of a tick: the memory query alone.
  for (int i = 0; i < ticks; ++i) {
    MemoryStatus status{};
    const double t0 = Now();
    QueryMemoryStatus(status, SystemMemory());
    std::printf("tick query %.2f\n", (Now() - t0) * 1000.0);
  }
  std::fflush(stdout);
  ExitProcess(0);  // the windows go with the process
}

// The tray part on its own, with a reading that changes the shown number at every tick, so that
// every tick draws a new icon, frees the old one and tells the shell (a stand-in that counts).
// GDI and USER object counts come from GetGuiResources (Windows; Wine answers 0). Wine's handle
// tables are smaller than the run, so a leak would also show as failed draws; and a probe bitmap
// made after each tick gets a fresh handle value whenever the table keeps growing.
void TrayIconTicks(int ticks) {
  InitTranslation();
  struct Host : TrayHost {
    HWND window = CreateWindowExW(0, L"STATIC", L"Sweeplet", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    HWND Window() const noexcept override { return window; }
    void TrayClicked() override {}
  } host;
  long sends = 0;
  TrayArea tray(host, nullptr, [&sends](DWORD, NOTIFYICONDATAW*) {
    ++sends;
    return TRUE;
  });
  tray.Add(L"Sweeplet", NumberSeparators{",", "."}, false);
  tray.SetUseOnIcon(true);
  const auto gdi = [] { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); };
  const auto user = [] { return GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS); };
  for (int i = 0; i < 200; ++i) tray.ShowUse(static_cast<float>(i % 100), 5);  // warm
  const DWORD gdiBefore = gdi(), userBefore = user();
  std::vector<HGDIOBJ> probes;
  long failed = 0, allocations = 0, sendsBefore = sends;
  double total = 0, worst = 0;
  for (int i = 0; i < ticks; ++i) {
    const float usage = static_cast<float>((i * 7) % 101);
    const long before = g_allocations.load();
    const double t0 = Now();
    tray.ShowUse(usage, 5);
    const double us = (Now() - t0) * 1000.0;
    allocations += g_allocations.load() - before;
    total += us;
    worst = std::max(worst, us);
    if (tray.ShownFace() != UseFaceFor(usage)) ++failed;
    // The table slot (the handle's low word; the high word counts reuses) of a new object.
    HBITMAP probe = CreateBitmap(1, 1, 1, 1, nullptr);
    const auto slot = reinterpret_cast<HGDIOBJ>(reinterpret_cast<UINT_PTR>(probe) & 0xFFFF);
    if (std::find(probes.begin(), probes.end(), slot) == probes.end() && probes.size() < 1000) probes.push_back(slot);
    DeleteObject(probe);
  }
  std::printf("trayicon ticks %d\ntrayicon us-mean %.2f\ntrayicon us-max %.2f\ntrayicon allocations %ld\n", ticks,
              total / ticks, worst, allocations);
  std::printf("trayicon sends %ld\ntrayicon failed-draws %ld\ntrayicon probe-handles %zu\n", sends - sendsBefore, failed,
              probes.size());
  std::printf("trayicon gdi-objects %lu %lu\ntrayicon user-objects %lu %lu\n", gdiBefore, gdi(), userBefore, user());
  std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  const int count = argc > 2 ? _wtoi(argv[2]) : 5;
  if (mode == L"first" && argc > 2) {
    Finish();
    OneStart("first", std::wstring(argv[2]) == L"bare" ? kBare : kApp);
    Finish();
  } else if (mode == L"starts") {
    Finish();
    for (int i = 0; i < count; ++i) {
      // Interleaved and in alternating order, so that neither program always goes first.
      const Program& a = i % 2 ? kApp : kBare;
      const Program& b = i % 2 ? kBare : kApp;
      OneStart("later", a);
      Finish();
      OneStart("later", b);
      Finish();
    }
  } else if (mode == L"idle") {
    const DWORD seconds = argc > 3 ? static_cast<DWORD>(_wtoi(argv[3])) : 60;
    Finish();
    for (int i = 0; i < count; ++i) IdleRound(seconds);
  } else if (mode == L"trayicon") {
    TrayIconTicks(argc > 2 ? count : 100000);
  } else if (mode == L"inproc") {
    InProcess(count, argc > 3 ? _wtoi(argv[3]) : 2000);
  } else {
    std::fprintf(stderr, "usage: SweepletBench first bare|app | starts N | idle N SECONDS | inproc N TICKS | trayicon TICKS\n");
    return 2;
  }
  return 0;
}
