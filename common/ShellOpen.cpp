#include "common/ShellOpen.h"

#include <windows.h>
#include <exdisp.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>
#include <shlguid.h>

#include <string>

#include "common/ComInit.h"
#include "common/ComPtr.h"
#include "common/OleAuto.h"
#include "common/WorkerThread.h"

namespace sweeplet {
namespace {

template <typename T>
bool Got(HRESULT hr, const ComPtr<T>& object) {
  return SUCCEEDED(hr) && object;
}

bool ExecuteThroughDesktop(std::wstring_view target) {
  const ComInit com;
  if (!com.Succeeded()) return false;

  ComPtr<IShellWindows> windows;
  if (!Got(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows, windows.put_void()),
           windows)) {
    return false;
  }
  VARIANT desktop{};
  desktop.vt = VT_I4;
  desktop.lVal = CSIDL_DESKTOP;
  VARIANT none{};
  long hwnd = 0;
  ComPtr<IDispatch> found;
  // S_FALSE: no desktop window is registered (no shell runs).
  if (windows->FindWindowSW(&desktop, &none, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, found.put()) != S_OK || !found) {
    return false;
  }
  ComPtr<IServiceProvider> provider;
  if (!Got(found->QueryInterface(IID_IServiceProvider, provider.put_void()), provider)) return false;
  ComPtr<IShellBrowser> browser;
  if (!Got(provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.put_void()), browser)) return false;
  ComPtr<IShellView> view;
  if (!Got(browser->QueryActiveShellView(view.put()), view)) return false;
  ComPtr<IDispatch> background;
  if (!Got(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.put_void()), background)) return false;
  ComPtr<IShellFolderViewDual> folderView;
  if (!Got(background->QueryInterface(IID_IShellFolderViewDual, folderView.put_void()), folderView)) return false;
  ComPtr<IDispatch> application;
  if (!Got(folderView->get_Application(application.put()), application)) return false;
  ComPtr<IShellDispatch2> shell;
  if (!Got(application->QueryInterface(IID_IShellDispatch2, shell.put_void()), shell)) return false;

  const Bstr file = MakeBstr(target);
  if (!file) return false;
  const Variant noArguments = Variant::String(L"");
  const Variant noDirectory = Variant::String(L"");
  const Variant verb = Variant::String(L"open");
  const Variant show = Variant::Int32(SW_SHOWNORMAL);
  return SUCCEEDED(shell->ShellExecute(file.get(), noArguments.get(), noDirectory.get(), verb.get(), show.get()));
}

class Desktop final : public IShellExecutor {
 public:
  bool Execute(std::wstring_view target) noexcept override {
    try {
      return ExecuteThroughDesktop(target);
    } catch (...) {
      return false;
    }
  }
};

class Direct final : public IShellExecutor {
 public:
  bool Execute(std::wstring_view target) noexcept override {
    try {
      const std::wstring text(target);
      const auto result = reinterpret_cast<INT_PTR>(
          ::ShellExecuteW(nullptr, L"open", text.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
      return result > 32;
    } catch (...) {
      return false;
    }
  }
};

// COM refuses calls into another process from a thread that is serving a message another thread
// sent it: a worker's hand-off to the window, and every dialog opened inside one (the update
// prompt). Asked from there, the desktop would always fail and the link would open here,
// elevated; so from such a thread the desktop is asked from a thread of its own.
bool AskDesktop(std::wstring_view target, IShellExecutor& desktop) noexcept {
  if (!::InSendMessage()) return desktop.Execute(target);
  bool opened = false;
  WorkerThread asker;
  if (!asker.Start([&] { opened = desktop.Execute(target); })) return desktop.Execute(target);
  asker.Join();  // serves what is sent to this thread meanwhile
  return opened;
}

class ShellLinks final : public ILinkOpener {
 public:
  void Open(std::wstring_view target) noexcept override { ShellOpen(target); }
};

}  // namespace

IShellExecutor& DesktopShellExecutor() noexcept {
  static Desktop executor;
  return executor;
}

IShellExecutor& DirectShellExecutor() noexcept {
  static Direct executor;
  return executor;
}

void OpenPreferringDesktop(std::wstring_view target, IShellExecutor& desktop, IShellExecutor& direct) noexcept {
  if (!AskDesktop(target, desktop)) direct.Execute(target);
}

void ShellOpen(std::wstring_view target) noexcept {
  OpenPreferringDesktop(target, DesktopShellExecutor(), DirectShellExecutor());
}

ILinkOpener& ShellLinkOpener() noexcept {
  static ShellLinks opener;
  return opener;
}

}  // namespace sweeplet
