#pragma once
// The main window's seams: everything it needs from outside the process that a test must be able
// to replace arrives here, each a small interface with one Win32 implementation for the program
// (DefaultServices) and fakes in the tests. The window reaches none of these any other way.
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

namespace sweeplet {

class IMemoryApi;
class ITokenApi;
class ITaskSchedulerApi;
class ILinkOpener;

class IClock {
 public:
  virtual ~IClock() = default;
  // The current local date and time, in days since 30 December 1899.
  virtual double Now() = 0;
};

class INotifier {
 public:
  virtual ~INotifier() = default;
  virtual void Show(const std::wstring& title, const std::wstring& body) = 0;
};

class IRunningPrograms {
 public:
  virtual ~IRunningPrograms() = default;
  // Whether a process runs whose executable name is one of `names` (letter case aside). One
  // look at the process list, taken only when the automatic rule has decided to clean.
  virtual bool AnyRunning(const std::vector<std::wstring>& names) = 0;
};

// Where the settings page keeps its values: <root>\Software\<path> (TConfig). A null root keeps
// nothing: every setting reads its default and no change is stored.
struct SettingsKey {
  HKEY root = nullptr;
  std::wstring path;
};

// Every pointer but `notifier` and `programs` must be set.
struct Services {
  IClock* clock = nullptr;
  IMemoryApi* memory = nullptr;  // snapshot on the user-interface thread, purge on the job's thread
  ITokenApi* token = nullptr;    // the privileges the purge needs, enabled at start
  ITaskSchedulerApi* taskScheduler = nullptr;  // the logon task
  ILinkOpener* links = nullptr;  // the maker's pages and the update service's links
  INotifier* notifier = nullptr;  // null: the tray icon shows the notification
  IRunningPrograms* programs = nullptr;  // null: the system's process list
  SettingsKey settings;
  std::wstring updateServiceUrl;  // empty: no update check (tests)
  // Whether this copy may be started elevated at logon (nobody but an administrator can replace
  // it). Asked on the user-interface thread and on the start-up worker; empty counts as not
  // protected.
  std::function<bool()> copyProtected;
  // Shows a message that answers the user's own click; empty: a message box owned by `owner`.
  std::function<void(HWND owner, const std::wstring& text)> messageBox;
  // The notification area's one call; empty: Shell_NotifyIconW.
  std::function<BOOL(DWORD message, NOTIFYICONDATAW* data)> notifyIcon;
  // Lets `message` through to `window` from the unelevated shell; empty: AllowFromLowerIntegrity.
  std::function<void(HWND window, UINT message)> allowMessage;
  // Told the name of each start-up step as it completes; lets tests check their order.
  std::function<void(const char* step)> startupStep;
};

// The program's own implementations.
Services DefaultServices();
IRunningPrograms& SystemRunningPrograms();

}  // namespace sweeplet
