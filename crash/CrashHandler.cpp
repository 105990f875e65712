#include "crash/CrashHandler.h"

#include <csignal>
#include <cstdlib>
#include <new>
#include <string>

#include "common/ModulePath.h"
#include "common/SystemProc.h"

namespace sweeplet {
namespace {

// Every value the reporter gets is written into the prepared command line as 16 hex digits.
constexpr size_t kValueDigits = 16;
enum Slot { kSlotProcess, kSlotThread, kSlotEvent, kSlotPointers, kSlotCount };

// Access the reporter needs to read the failed process and its failing thread, and no more:
// no writing, no handle duplication, no termination.
constexpr DWORD kProcessAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE;
constexpr DWORD kThreadAccess = THREAD_QUERY_INFORMATION | THREAD_GET_CONTEXT | THREAD_SUSPEND_RESUME;

// The watch thread needs little stack: a reservation, of which only what it touches is committed.
constexpr SIZE_T kWatchStack = 64 * 1024;

// Prepared at start, read at failure.
wchar_t* g_exePath = nullptr;
wchar_t* g_commandLine = nullptr;
size_t g_slots[kSlotCount] = {};
HANDLE g_process = nullptr;  // this process, for the reporter
HANDLE g_reported = nullptr; // set by the reporter once the dump is written
HANDLE g_wake = nullptr;     // wakes the watch thread
HANDLE g_watch = nullptr;
DWORD g_watchId = 0;
LPPROC_THREAD_ATTRIBUTE_LIST g_attributes = nullptr;
HANDLE g_inherited[3] = {};  // process, event, failing thread: all the reporter inherits

// Filled by the one failure that is reported.
volatile LONG g_claimed = 0;
DWORD g_failingThread = 0;
EXCEPTION_POINTERS* g_pointers = nullptr;
UINT g_exitCode = 0;
EXCEPTION_RECORD g_ownRecord{};
alignas(16) CONTEXT g_ownContext{};
EXCEPTION_POINTERS g_ownPointers{};

void WriteValue(Slot slot, ULONG64 value) noexcept {
  static constexpr wchar_t kDigits[] = L"0123456789abcdef";
  wchar_t* out = g_commandLine + g_slots[slot];
  for (size_t i = kValueDigits; i-- > 0;) {
    out[i] = kDigits[value & 0xF];
    value >>= 4;
  }
}

[[noreturn]] void End(UINT code) noexcept {
  ::TerminateProcess(::GetCurrentProcess(), code);
  for (;;) ::Sleep(INFINITE);  // TerminateProcess does not return for the own process
}

// Starts the reporter and waits, bounded, until it has what it needs; then ends the process.
DWORD WINAPI Watch(void*) noexcept {
  ::WaitForSingleObject(g_wake, INFINITE);
  // Inheritable only now: no other child of the program ever gets these handles.
  HANDLE thread = ::OpenThread(kThreadAccess, TRUE, g_failingThread);
  ::SetHandleInformation(g_process, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  ::SetHandleInformation(g_reported, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  g_inherited[2] = thread;
  WriteValue(kSlotThread, reinterpret_cast<ULONG64>(thread));
  WriteValue(kSlotPointers, reinterpret_cast<ULONG64>(g_pointers));

  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof(startup);
  startup.lpAttributeList = g_attributes;
  PROCESS_INFORMATION reporter{};
  if (thread && ::CreateProcessW(g_exePath, g_commandLine, nullptr, nullptr, TRUE,
                                 EXTENDED_STARTUPINFO_PRESENT | CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr,
                                 &startup.StartupInfo, &reporter)) {
    const HANDLE either[2] = {g_reported, reporter.hProcess};
    ::WaitForMultipleObjects(2, either, FALSE, kReporterWaitMs);
  }
  End(g_exitCode);
}

// The first failure wakes the watch thread and waits for it; any later one, and a failure of the
// watch thread itself, ends the process at once.
[[noreturn]] void HandOver(EXCEPTION_POINTERS* pointers, UINT exitCode) noexcept {
  if (::GetCurrentThreadId() == g_watchId) End(exitCode);
  g_failingThread = ::GetCurrentThreadId();
  g_pointers = pointers;
  g_exitCode = exitCode;
  ::SetEvent(g_wake);
  // The watch thread ends the process; should it not, the bound still holds.
  ::WaitForSingleObject(g_watch, kReporterWaitMs + 5000);
  End(exitCode);
}

bool Claim() noexcept { return ::InterlockedCompareExchange(&g_claimed, 1, 0) == 0; }

[[noreturn]] void SecondFailure(UINT exitCode) noexcept {
  // One report per crash: a failure while one is being made waits for it to end the process.
  if (::GetCurrentThreadId() != g_failingThread && ::GetCurrentThreadId() != g_watchId && g_watch) {
    ::WaitForSingleObject(g_watch, kReporterWaitMs + 5000);
  }
  End(exitCode);
}

LONG WINAPI OnUnhandled(EXCEPTION_POINTERS* pointers) noexcept {
  const UINT code = pointers && pointers->ExceptionRecord ? pointers->ExceptionRecord->ExceptionCode : 1;
  if (!Claim()) SecondFailure(code);
  HandOver(pointers, code);
}

void OnAbortSignal(int) { ReportFailure(kFailureAbort); }

void OnBadParameter(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, uintptr_t) {
  ReportFailure(kFailureBadParameter);
}

}  // namespace

[[noreturn]] void ReportFailure(DWORD failure) noexcept {
  const UINT exitCode = failure == kFailureBadParameter ? STATUS_INVALID_CRUNTIME_PARAMETER : kAbortExitCode;
  if (!g_watch) End(exitCode);
  if (!Claim()) SecondFailure(exitCode);
  // Where the failure was raised: this frame, whose callers the report lists.
  ::RtlCaptureContext(&g_ownContext);
  g_ownRecord.ExceptionCode = failure;
  g_ownRecord.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
  g_ownRecord.ExceptionAddress = reinterpret_cast<void*>(g_ownContext.Rip);
  g_ownPointers.ExceptionRecord = &g_ownRecord;
  g_ownPointers.ContextRecord = &g_ownContext;
  HandOver(&g_ownPointers, exitCode);
}

bool InstallCrashHandler() noexcept {
  if (g_watch) return true;
  try {
    const std::wstring exe = ModulePath();
    if (exe.empty()) return false;
    HANDLE self = ::GetCurrentProcess();
    if (!::DuplicateHandle(self, self, self, &g_process, kProcessAccess, FALSE, 0)) return false;
    g_reported = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_wake = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!g_reported || !g_wake) return false;

    std::wstring line = L"\"" + exe + L"\" " + std::wstring(kSwitchCrashReport);
    for (size_t& slot : g_slots) {
      line += L' ';
      slot = line.size();
      line.append(kValueDigits, L'0');
    }
    g_exePath = new (std::nothrow) wchar_t[exe.size() + 1];
    g_commandLine = new (std::nothrow) wchar_t[line.size() + 1];
    if (!g_exePath || !g_commandLine) return false;
    exe.copy(g_exePath, exe.size());
    g_exePath[exe.size()] = L'\0';
    line.copy(g_commandLine, line.size());
    g_commandLine[line.size()] = L'\0';
    WriteValue(kSlotProcess, reinterpret_cast<ULONG64>(g_process));
    WriteValue(kSlotEvent, reinterpret_cast<ULONG64>(g_reported));

    // The reporter inherits exactly these handles, whatever else the program has made inheritable.
    g_inherited[0] = g_process;
    g_inherited[1] = g_reported;
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    g_attributes = static_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(::operator new(size, std::nothrow));
    if (!g_attributes || !::InitializeProcThreadAttributeList(g_attributes, 1, 0, &size) ||
        !::UpdateProcThreadAttribute(g_attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, g_inherited,
                                     sizeof(g_inherited), nullptr, nullptr)) {
      return false;
    }

    g_watch = ::CreateThread(nullptr, kWatchStack, &Watch, nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION, &g_watchId);
    if (!g_watch) return false;
  } catch (...) {
    return false;
  }

  ::SetUnhandledExceptionFilter(&OnUnhandled);
  std::signal(SIGABRT, &OnAbortSignal);
  // The run-time's own abort message box would come first and wait for the user.
  using AbortBehavior = unsigned int(__cdecl*)(unsigned int, unsigned int);
  if (auto set = SystemProc<AbortBehavior>(L"msvcrt.dll", "_set_abort_behavior")) set(0, 0x1 | 0x2);
  using ParameterHandler = void(__cdecl*)(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, uintptr_t);
  using SetParameterHandler = ParameterHandler(__cdecl*)(ParameterHandler);
  if (auto set = SystemProc<SetParameterHandler>(L"msvcrt.dll", "_set_invalid_parameter_handler")) set(&OnBadParameter);
  return true;
}

}  // namespace sweeplet
