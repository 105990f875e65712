#pragma once
// The main window's seams: what the test machine cannot do for real (the clock, the memory
// system calls, the desktop notification) comes in through these, with Win32 implementations
// for the program and fakes for tests.
#include <functional>
#include <string>

namespace sweeplet {

class IMemoryApi;

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

struct Services {
  IClock* clock = nullptr;
  IMemoryApi* memory = nullptr;  // snapshot on the user-interface thread, purge on the job's thread
  INotifier* notifier = nullptr;  // null: the tray icon shows the notification
  std::wstring updateServiceUrl;  // empty: no update check (tests)
  // Told the name of each start-up step as it completes; lets tests check their order.
  std::function<void(const char* step)> startupStep;
};

// The program's own implementations.
Services DefaultServices();

}  // namespace sweeplet
