// Pictures of what the update service makes the user see, taken from the real code paths:
//   UpdateDemo --prompt <file.png>   the update prompt with a "hold" check box under its line
//   UpdateDemo --bar <file.png>      the main window with the notice bar along its bottom
// Not a test: tools/screenshots/make_update_shots.sh runs it on a virtual desktop with window frames.
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>

#include "app/MainWindow.h"
#include "app/TrayIcon.h"
#include "common/UiDispatcher.h"
#include "i18n/TranslateWin.h"
#include "i18n/TranslationTable.h"
#include "tests/e2e/Driver.h"
#include "theme/ButtonStyles.h"
#include "update/UpdateDialog.h"
#include "update/UpdateStatus.h"

using namespace sweeplet;

namespace {

// A reply that offers an update and asks, with a check box, whether to stop offering it.
constexpr char kHoldReply[] =
    R"({"update":"https:\/\/www.orvane.net\/sweeplet?v=2.0.0",)"
    R"("info":{"style":"hold","text":"Do not show this update again","flag":"","url":""}})";

constexpr wchar_t kNoticeLink[] = L"https://www.orvane.net/notice";

void Pump(std::chrono::milliseconds duration) {
  const auto end = std::chrono::steady_clock::now() + duration;
  while (std::chrono::steady_clock::now() < end) {
    ::MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
}

// The visible dialog titled `title` on thread `threadId`, polled for up to 20 seconds.
HWND WaitForPrompt(DWORD threadId, const std::wstring& title) {
  struct Search {
    const std::wstring* title;
    HWND found;
  };
  for (int i = 0; i < 1000; ++i) {
    Search search{&title, nullptr};
    ::EnumThreadWindows(
        threadId,
        [](HWND hwnd, LPARAM param) -> BOOL {
          auto* s = reinterpret_cast<Search*>(param);
          wchar_t cls[16] = {};
          ::GetClassNameW(hwnd, cls, 16);
          if (std::wstring(cls) == L"#32770" && drive::Text(hwnd) == *s->title && ::IsWindowVisible(hwnd)) {
            s->found = hwnd;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    ::Sleep(20);
  }
  return nullptr;
}

// True once the warning icon shows on screen: something other than the white background
// inside the icon's rectangle.
bool IconPainted(HWND prompt) {
  const RECT icon = drive::ClientRectOnScreen(drive::Control(prompt, kPromptIconId));
  for (int y = icon.top; y < icon.bottom; y += 2) {
    for (int x = icon.left; x < icon.right; x += 2) {
      if (drive::ScreenPixel(x, y) != RGB(255, 255, 255)) return true;
    }
  }
  return false;
}

int ShootPrompt(const std::wstring& file) {
  PromptOptions options;
  options.language = CurrentLanguage();
  options.title = TranslateW(L"Sweeplet");
  const DWORD uiThread = ::GetCurrentThreadId();
  bool captured = false;
  // The prompt is modal: look at it, and answer it, from a second thread.
  std::thread person([&] {
    HWND prompt = WaitForPrompt(uiThread, options.title);
    if (!prompt) return;
    // Without a window manager Wine can leave the frame of the window in front drawn as
    // inactive; once it is in front, let it draw the state it really has.
    ::SetForegroundWindow(prompt);
    if (::GetForegroundWindow() == prompt) ::SendMessageW(prompt, WM_NCACTIVATE, TRUE, 0);
    ::RedrawWindow(prompt, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    drive::WaitFor([&] { return IconPainted(prompt); }, 5000);
    ::Sleep(300);
    RECT rect{};
    ::GetWindowRect(prompt, &rect);
    captured = drive::CapturePng(rect, file);
    ::SendMessageW(drive::Control(prompt, IDNO), BM_CLICK, 0, 0);
  });
  const std::optional<bool> answer = UpdateDialog(kHoldReply, options);
  person.join();
  if (!answer) {
    std::fwprintf(stderr, L"the reply's notice block did not read\n");
    return 1;
  }
  if (!captured) {
    std::fwprintf(stderr, L"no picture of the prompt\n");
    return 1;
  }
  return 0;
}

int OuterHeight(HWND hwnd) {
  RECT r{};
  ::GetWindowRect(hwnd, &r);
  return r.bottom - r.top;
}

int ShootBar(const std::wstring& file) {
  RegisterStyleFamily();
  static UiDispatcher dispatcher;  // lives as long as the process, as in the program
  UiDispatcher::SetMain(&dispatcher);
  SetShowMainFormFlag(true);
  TFrmSweeplet::RegisterWindowClass(::GetModuleHandleW(nullptr));
  Services services = DefaultServices();
  services.updateServiceUrl.clear();  // the notice is shown directly, not asked of the service
  TFrmSweeplet window(StartOptions{}, services);
  if (!window.Create()) {
    std::fwprintf(stderr, L"the main window was not created\n");
    return 1;
  }
  HWND main = window.Handle();
  ::ShowWindow(main, SW_SHOWNORMAL);
  ::UpdateWindow(main);
  ::SetForegroundWindow(main);
  Pump(std::chrono::milliseconds(500));
  const int before = OuterHeight(main);

  window.ShowUpdateNotice(kNoticeLink);
  Pump(std::chrono::milliseconds(1000));  // a status tick, and everything painted
  const int after = OuterHeight(main);
  std::wprintf(L"window height %d -> %d\n", before, after);

  RECT rect{};
  ::GetWindowRect(main, &rect);
  if (!drive::CapturePng(rect, file)) {
    std::fwprintf(stderr, L"no picture of the window\n");
    return 1;
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc == 3 ? argv[1] : L"";
  if (mode != L"--prompt" && mode != L"--bar") {
    std::fwprintf(stderr, L"usage: UpdateDemo --prompt <file.png> | --bar <file.png>\n");
    return 2;
  }
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&icc);
  InitTranslation();
  const int result = mode == L"--prompt" ? ShootPrompt(argv[2]) : ShootBar(argv[2]);
  ReleaseTranslation();
  return result;
}
