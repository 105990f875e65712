#pragma once
// What a start of the program becomes: the running instance, or a messenger to the one that runs.
// Platform-neutral so that every path can be driven by a fake; the Win32 side is in main.cpp.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/logic/NumberFormat.h"
#include "memory/MemoryPurge.h"

namespace sweeplet {

// Hand-off commands carried in wParam of WM_USER. A sender cannot choose what the running copy
// does beyond which of these it asks for and, for Clean, which of the purge's areas. Clean carries in lParam the areas to clean (0: the copy's own choice; other bits are ignored)
// and is answered with a ticket; CleanResult carries that ticket and is answered with how the
// cleaning went, encoded as below.
enum class HandOff : unsigned { ShowWindow = 1, UninstallAndQuit = 2, Clean = 3, CleanResult = 4 };

// Answers to Clean: 0 when the copy took nothing (still starting, or closing), kCleanBusy while a
// cleaning of its own runs, else a ticket (> 0).
inline constexpr intptr_t kCleanBusy = -1;
// Answers to CleanResult: the cleaning still runs, the ticket is not (or no longer) known, or
// the result: the amount freed shifted left by two, and in the low bits 1 (cleaned) or 2
// (nothing could be cleaned).
inline constexpr intptr_t kCleanPending = 0;
inline constexpr intptr_t kCleanUnknownTicket = -1;
intptr_t EncodeCleanResult(bool cleaned, uint64_t freed) noexcept;

// How a hand-off went. Failed: the window's thread did not answer within the time-out, or
// the system judged it hung (a hung copy, or another program squatting on our class name).
enum class HandOffResult { NoWindow, Delivered, Failed };

// HandOffFailed: the running copy could not be reached, or (for "/uninst") did not end in time,
// or (for "/clean") did not finish the cleaning in time.
// CleanedHere: "/clean" found no copy running and purged in this process.
// For "/clean" also: NothingCleaned (every request refused, or no area chosen), Busy (the copy
// was already cleaning), BadOption (an option or area name it does not know).
enum class StartOutcome { Uninstalled, Messenger, Instance, HandOffFailed, CleanedHere, NothingCleaned, Busy, BadOption };

// What a "/clean" reports: its outcome, the amount freed when it cleaned, and the option it did
// not understand.
struct CleanReport {
  StartOutcome outcome = StartOutcome::HandOffFailed;
  uint64_t freed = 0;
  std::wstring badOption;
};

class IEntryPlatform {
 public:
  virtual ~IEntryPlatform() = default;
  // Looks up the running instance's main window; remembers it for the calls below.
  virtual bool FindInstanceWindow() = 0;
  // Sends with a time-out, so that a window that never answers cannot hold this start.
  virtual HandOffResult SendHandOff(HandOff command) = 0;
  // Lets the window's process take the foreground: only a process that may set it can pass it on.
  virtual void AllowInstanceForeground() = 0;
  // Opens the window's process so that its end can be awaited; false when there is none.
  virtual bool WatchInstanceProcess() = 0;
  virtual bool InstanceProcessRunning() = 0;  // the process opened above has not ended
  virtual bool InstanceHung() = 0;            // the system reports the window's thread hung
  virtual void Sleep(unsigned milliseconds) = 0;
  virtual bool OpenInstanceMutex() = 0;            // an instance runs
  // Creates the mutex with initial ownership; true when it already existed (a start racing ours).
  virtual bool CreateInstanceMutexFoundExisting() = 0;
  // Creates the main window and runs the message loop until it closes for good.
  virtual void RunInstance(bool hidden) = 0;
  // Sends a hand-off that carries an argument and reads the answer.
  virtual HandOffResult AskInstance(HandOff command, uintptr_t argument, intptr_t& reply) = 0;
  // One purge in this process, with no window, no tray icon and no update check. `areas`: 0 for
  // the areas the settings choose.
  virtual PurgeResult PurgeHere(uint32_t areas) = 0;
  // How a "/clean" went, once at its end; the console line is made from it.
  virtual void ReportClean(const CleanReport& report) = 0;
};

// The option "/clean" takes after it: "/areas:" and a comma-separated list of area names.
inline constexpr std::wstring_view kAreasOption = L"/areas:";

// The areas the arguments after "/clean" choose: 0 for none given (the settings decide); none,
// with the offending text in `bad`, for anything but one "/areas:" option with known names.
std::optional<uint32_t> ParseCleanOptions(std::span<const std::wstring> options, std::wstring& bad);

// "/uninst" polls the copy's process this often and this many times: the copy may first have to
// wait for a cleaning job and for the Task Scheduler, but never for longer than this.
inline constexpr unsigned kUninstallPollMs = 100;
inline constexpr int kUninstallPolls = 300;

// A start that finds the instance mutex but no window yet (the copy is still starting) looks for
// the window this often and this many times before it gives up.
inline constexpr unsigned kWindowPollMs = 100;
inline constexpr int kWindowPolls = 50;

// A "/clean" handed to the running copy waits this often and this many times for the copy's
// cleaning to end: a purge that flushes gigabytes of modified pages can take a minute.
inline constexpr unsigned kCleanPollMs = 100;
inline constexpr int kCleanPolls = 1200;

// The entry algorithm; `firstArgument` is the first command-line argument ("" for none), `more`
// the ones after it (read only by "/clean").
StartOutcome RunEntry(std::wstring_view firstArgument, IEntryPlatform& platform, std::span<const std::wstring> more = {});

// The texts of the line a "/clean" prints, translated (UTF-8). `unknownOption` holds "%s" for
// the option or name that was not understood.
struct CleanLineTexts {
  std::string freedFormat;     // "Freed: %s"
  std::string nothingToFree;   // cleaned, but nothing measurable came free
  std::string nothingCleaned;  // every request refused
  std::string busy;
  std::string handOffFailed;
  std::string unknownOption;
};

// The one line a "/clean" prints: the amount freed, or why nothing was.
std::string CleanReportLine(const CleanReport& report, const CleanLineTexts& texts, const NumberSeparators& separators);

// The process's exit code for an outcome: 0 unless something went wrong.
inline int ExitCodeOf(StartOutcome outcome) {
  switch (outcome) {
    case StartOutcome::HandOffFailed: return 1;
    case StartOutcome::NothingCleaned: return 2;
    case StartOutcome::Busy: return 3;
    case StartOutcome::BadOption: return 4;
    default: return 0;
  }
}

}  // namespace sweeplet
