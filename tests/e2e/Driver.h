#pragma once
// Drives a running Sweeplet.exe from another process, as a user or the shell would:
// finds its windows, clicks its controls, reads their texts, captures pixels.
#include <windows.h>

#include <string>
#include <vector>

namespace sweeplet::drive {

inline constexpr wchar_t kMainClass[] = L"TFrmSweeplet";
// The tests' build of the program, whose purge waits while the event below is held unsignalled.
inline constexpr wchar_t kSlowPurgeExe[] = L"SweepletSlowPurge.exe";
inline constexpr wchar_t kPurgeGateName[] = L"Local\\SweepletE2E-PurgeGate";

// Path of Sweeplet.exe next to the running driver.
std::wstring SweepletPath();
// Path of `file` in the folder of Sweeplet.exe.
std::wstring BesideSweeplet(const wchar_t* file);

// A started process; killed in the destructor if still running.
class Process {
 public:
  Process() = default;
  explicit Process(const std::wstring& arguments, const std::wstring& exe = SweepletPath());
  // With its standard output going to `output`, an inheritable handle.
  Process(const std::wstring& arguments, const std::wstring& exe, HANDLE output);
  ~Process();
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool Started() const { return info_.hProcess != nullptr; }
  // Why the start failed, when it did.
  DWORD StartError() const { return startError_; }
  // Waits for the process to end; true when it ended within the time-out. Stores the exit code.
  // False for a process that never started.
  bool WaitExit(DWORD timeoutMs);
  bool Running() const;
  DWORD ExitCode() const { return exitCode_; }
  DWORD Id() const { return info_.dwProcessId; }

 private:
  PROCESS_INFORMATION info_{};
  DWORD exitCode_ = STILL_ACTIVE;
  DWORD startError_ = ERROR_SUCCESS;
};

// Polls until `predicate` holds or the time-out passes.
template <typename F>
bool WaitFor(F predicate, DWORD timeoutMs = 10000) {
  const ULONGLONG end = ::GetTickCount64() + timeoutMs;
  do {
    if (predicate()) return true;
    ::Sleep(20);
  } while (::GetTickCount64() < end);
  return predicate();
}

HWND MainWindow();
// All top-level windows of the main window's class (to count instances).
int CountMainWindows();
HWND Control(HWND root, int id);
std::wstring Text(HWND hwnd);
RECT ClientRectOnScreen(HWND hwnd);
// The rectangle of `child` in the client coordinates of `root`, at the window's DPI.
RECT RectIn(HWND root, HWND child);
std::wstring ClassOf(HWND hwnd);
void Click(HWND control);
// Ends every running instance (of both builds) and removes the settings key, so that each test starts clean.
void KillAll();
// Writes a PNG of what the screen shows inside `rect`.
bool CapturePng(const RECT& rect, const std::wstring& file);
COLORREF ScreenPixel(int x, int y);

}  // namespace sweeplet::drive
