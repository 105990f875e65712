#pragma once
// The failing side of crash reports. Installed first thing at start, it prepares everything a
// failure needs (the reporter's command line, the handles it inherits, a sleeping thread), so
// that at the moment of failure nothing is allocated, no lock is taken and no DLL is loaded.
// On a failure of any kind, on any thread, the sleeping thread starts this executable again as
// the reporter, waits a bounded time for it to copy what it needs, and ends the process with
// the failure's code. Nothing is caught and hidden: a failure always ends the program.
#include <windows.h>

#include <string_view>

namespace sweeplet {

// The first argument that makes a start the reporter of a failed copy.
inline constexpr std::wstring_view kSwitchCrashReport = L"/crashreport";

// Our own codes for failures that are no exception of the system's. Exit code 3 is what the
// run-time's abort ends with; the others end with their exception code.
inline constexpr DWORD kFailureAbort = 0xE0535701;        // abort() or SIGABRT
inline constexpr DWORD kFailureTerminate = 0xE0535702;    // std::terminate: an escaped C++ exception
inline constexpr DWORD kFailureBadParameter = 0xE0535703; // the C run-time's invalid-parameter check
inline constexpr DWORD kFailurePureVirtual = 0xE0535704;  // a pure virtual function called
inline constexpr UINT kAbortExitCode = 3;

// How long a failed process waits for the reporter to write the dump before it ends anyway.
inline constexpr DWORD kReporterWaitMs = 30000;

// Prepares the reporter; false when something could not be prepared (the program then runs
// without one, as before). Call once, before any window or thread exists.
bool InstallCrashHandler() noexcept;

// Reports a failure raised by the program itself (kFailure*) and ends the process. Without an
// installed handler the process just ends with the code.
[[noreturn]] void ReportFailure(DWORD failure) noexcept;

}  // namespace sweeplet
