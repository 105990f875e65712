// Command-line driver used by scripts/screenshot and scripts/bench:
//   SweepletDrive shot <file.png> [--page home|config|cleaning] [--clean] [--inactive] [--high-contrast]
// starts Sweeplet.exe, waits for its window, optionally switches the page, captures the window.
// With --high-contrast the window is made in this process instead, with high contrast forced on:
// Wine has no high-contrast setting for Sweeplet.exe to see, only the scheme's colours, which the
// caller puts in the prefix's registry beforehand.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <memory>
#include <string>

#include "app/ControlIds.h"
#include "app/MainWindow.h"
#include "app/TrayIcon.h"
#include "common/UiDispatcher.h"
#include "i18n/TranslateWin.h"
#include "i18n/TranslationTable.h"
#include "tests/e2e/Driver.h"
#include "theme/ButtonStyles.h"
#include "theme/HighContrast.h"

using namespace sweeplet;
using namespace sweeplet::drive;

namespace {

// Dispatches this process's messages for `ms` milliseconds.
void Pump(DWORD ms) {
  const ULONGLONG end = ::GetTickCount64() + ms;
  MSG msg;
  while (::GetTickCount64() < end) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(10);
  }
}

// The main window of this process, under high contrast; null when it was not made.
std::unique_ptr<TFrmSweeplet> OpenHere() {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&icc);
  InitTranslation();
  RegisterStyleFamily();
  ForceHighContrast(true);
  static UiDispatcher dispatcher;  // lives as long as the process, as in the program
  UiDispatcher::SetMain(&dispatcher);
  SetShowMainFormFlag(true);
  TFrmSweeplet::RegisterWindowClass(::GetModuleHandleW(nullptr));
  Services services = DefaultServices();
  services.updateServiceUrl.clear();  // a picture asks no service
  auto window = std::make_unique<TFrmSweeplet>(StartOptions{}, services);
  if (!window->Create()) return nullptr;
  ::ShowWindow(window->Handle(), SW_SHOWNORMAL);
  ::UpdateWindow(window->Handle());
  return window;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3 || std::wstring(argv[1]) != L"shot") {
    std::fwprintf(stderr, L"usage: SweepletDrive shot <file.png> [--page home|config|cleaning] [--clean] [--inactive] "
                          L"[--high-contrast]\n");
    return 2;
  }
  std::wstring file = argv[2], page = L"home";
  bool clean = false, inactive = false, highContrast = false;
  for (int i = 3; i < argc; ++i) {
    std::wstring a = argv[i];
    if (a == L"--page" && i + 1 < argc) page = argv[++i];
    if (a == L"--clean") clean = true;
    if (a == L"--inactive") inactive = true;
    if (a == L"--high-contrast") highContrast = true;
  }
  Process app;
  std::unique_ptr<TFrmSweeplet> here;
  HWND main = nullptr;
  if (highContrast) {
    here = OpenHere();
    if (here) main = here->Handle();
  } else {
    app = Process(L"");
    if (app.Started() && WaitFor([] { return MainWindow() && ::IsWindowVisible(MainWindow()); }, 20000)) {
      main = MainWindow();
    }
  }
  if (!main) {
    std::fwprintf(stderr, L"Sweeplet did not show its window\n");
    return 1;
  }
  ::SetForegroundWindow(main);
  if (page == L"config") Click(Control(main, IdBtnConfig));
  if (page == L"cleaning") Click(Control(main, IdBtnCleaning));
  if (clean) Click(Control(main, IdBtnClean));
  if (inactive) {
    // Another window takes the activation, as when the user switches to another program.
    HWND other = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 0, 40, 40, nullptr, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
    ::SetForegroundWindow(other);
    Pump(500);
  }
  // Let the status line fill and everything paint; a window of this process needs its messages.
  Pump(clean ? 150 : 1500);
  RECT rc{};
  ::GetWindowRect(main, &rc);
  if (!CapturePng(rc, file)) {
    std::fwprintf(stderr, L"capture failed\n");
    return 1;
  }
  return 0;
}
