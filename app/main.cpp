// Entry point: decides whether this start becomes the running instance or hands over to it.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "app/Entry.h"
#include "app/MainWindow.h"
#include "app/TrayIcon.h"
#include "common/AppGlobals.h"
#include "common/SystemProc.h"
#include "common/UiDispatcher.h"
#include "common/UniqueHandle.h"
#include "i18n/TranslateWin.h"
#include "i18n/TranslationTable.h"
#include "theme/ButtonStyles.h"

namespace sweeplet {
namespace {

std::wstring FirstArgument() {
  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  std::wstring first = argv && argc > 1 ? argv[1] : L"";
  if (argv) ::LocalFree(argv);
  return first;
}

class Win32EntryPlatform : public IEntryPlatform {
 public:
  explicit Win32EntryPlatform(std::wstring firstArgument) : firstArgument_(std::move(firstArgument)) {}

  bool FindInstanceWindow() override {
    window_ = ::FindWindowW(kInstanceName, nullptr);
    return window_ != nullptr;
  }
  void SendHandOff(HandOff command) override {
    // Waits until the running instance has handled it; a null handle reaches nobody.
    if (window_) ::SendMessageW(window_, WM_USER, static_cast<WPARAM>(command), 0);
  }
  bool InstanceWindowExists() override { return window_ && ::IsWindow(window_); }
  void Sleep(unsigned ms) override { ::Sleep(ms); }
  bool OpenInstanceMutex() override {
    // Held until the process ends: its existence is what tells later starts that we run.
    mutex_.reset(::OpenMutexW(MUTEX_ALL_ACCESS, FALSE, kInstanceName));
    return static_cast<bool>(mutex_);
  }
  bool CreateInstanceMutexFoundExisting() override {
    mutex_.reset(::CreateMutexW(nullptr, TRUE, kInstanceName));
    return mutex_ && ::GetLastError() == ERROR_ALREADY_EXISTS;
  }
  void RunInstance(bool hidden) override {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);
    static UiDispatcher dispatcher;  // lives as long as the process: workers may still hold it
    UiDispatcher::SetMain(&dispatcher);
    SetShowMainFormFlag(!hidden);

    TFrmSweeplet::RegisterWindowClass(instance);
    TFrmSweeplet window(StartOptions{firstArgument_}, DefaultServices());
    if (!window.Create()) return;
    if (!hidden) {
      ::ShowWindow(window.Handle(), SW_SHOWNORMAL);
      ::UpdateWindow(window.Handle());
    }
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (window.Handle() && ::IsDialogMessageW(window.Handle(), &msg)) continue;
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }

 private:
  std::wstring firstArgument_;
  HWND window_ = nullptr;
  UniqueHandle mutex_;
};

}  // namespace
}  // namespace sweeplet

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // The program runs elevated and its folder may be writable: no DLL is taken from there or
  // from the current directory.
  sweeplet::RestrictDllSearch();
  // Before anything else, on every start: the translation table and the user's language.
  sweeplet::InitTranslation();
  sweeplet::RegisterStyleFamily();
  std::wstring first = sweeplet::FirstArgument();
  sweeplet::Win32EntryPlatform platform(first);
  sweeplet::RunEntry(first, platform);
  sweeplet::ReleaseTranslation();
  // The mutex handle is released with the process; every path ends with exit code 0.
  return 0;
}
