#pragma once
// The reporting side: a start with kSwitchCrashReport. It acts only on the handles it inherited
// from the failed copy, writes the minidump and the text report into a folder of their own,
// removes the failed copy's tray icon, keeps the newest crash folders, and shows the user a
// small window while the report is sent in the background.
#include <windows.h>

#include <string>

namespace sweeplet {

struct CrashOptions {
  // Where reports are sent (https); empty: nothing is sent.
  std::wstring endpoint;
};

// Exit codes of the reporter.
inline constexpr int kReporterDone = 0;
inline constexpr int kReporterBadArguments = 2;  // not started by a failed copy of this program
inline constexpr int kReporterFailed = 4;        // failed itself; ends quietly

// Runs the reporter for this process's command line and returns its exit code.
int RunCrashReporter(const CrashOptions& options) noexcept;

// %LOCALAPPDATA%\Orvane\Sweeplet\Crashes, made when missing; empty when it cannot be had.
std::wstring CrashFolderRoot() noexcept;

// Deletes the oldest crash folders under `root` until the newest `keep` remain. Only folders
// named as crash folders, and in them only the files a report writes, are deleted; nothing
// reached through a link or junction is.
void KeepNewestCrashes(const std::wstring& root, size_t keep) noexcept;

}  // namespace sweeplet
