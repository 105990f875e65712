// Command-line driver used by scripts/screenshot:
//   SweepletDrive shot <file.png> [--page home|config] [--clean] [--inactive]
// starts Sweeplet.exe, waits for its window, optionally switches the page, captures the window.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/ControlIds.h"
#include "tests/e2e/Driver.h"

using namespace sweeplet;
using namespace sweeplet::drive;

int wmain(int argc, wchar_t** argv) {
  if (argc < 3 || std::wstring(argv[1]) != L"shot") {
    std::fwprintf(stderr, L"usage: SweepletDrive shot <file.png> [--page home|config] [--clean] [--inactive]\n");
    return 2;
  }
  std::wstring file = argv[2], page = L"home";
  bool clean = false, inactive = false;
  for (int i = 3; i < argc; ++i) {
    std::wstring a = argv[i];
    if (a == L"--page" && i + 1 < argc) page = argv[++i];
    if (a == L"--clean") clean = true;
    if (a == L"--inactive") inactive = true;
  }
  Process app(L"");
  if (!app.Started() || !WaitFor([] { return MainWindow() && ::IsWindowVisible(MainWindow()); }, 20000)) {
    std::fwprintf(stderr, L"Sweeplet did not show its window\n");
    return 1;
  }
  HWND main = MainWindow();
  ::SetForegroundWindow(main);
  if (page == L"config") Click(Control(main, IdBtnConfig));
  if (clean) Click(Control(main, IdBtnClean));
  if (inactive) {
    // Another window takes the activation, as when the user switches to another program.
    HWND other = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 0, 40, 40, nullptr, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
    ::SetForegroundWindow(other);
    MSG msg;
    for (int i = 0; i < 50; ++i) {
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
      ::Sleep(10);
    }
  }
  ::Sleep(clean ? 150 : 1500);  // let the status line fill and everything paint
  RECT rc{};
  ::GetWindowRect(main, &rc);
  if (!CapturePng(rc, file)) {
    std::fwprintf(stderr, L"capture failed\n");
    return 1;
  }
  return 0;
}
