#include "app/TrayIcon.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <utility>

#include "common/UiDispatcher.h"

namespace sweeplet {
namespace {

constexpr UINT kIconId = 1;
std::atomic<bool> g_showMainForm{true};

}  // namespace

TTrayIcon::TTrayIcon(HWND owner, std::function<HIMAGELIST()> images, HICON mainIcon, ShellNotifyIcon shell) noexcept
    : owner_(owner), shell_(std::move(shell)), images_(std::move(images)), mainIcon_(mainIcon) {}

TTrayIcon::~TTrayIcon() {
  alive_->store(false);
  if (stopRepaint_) ::SetEvent(stopRepaint_.get());
  // The retry thread only waits and hands over; once it is gone nothing touches the icon.
  repaintThread_.Join();
  if (visible_) {
    NOTIFYICONDATAW nid = Data(0);
    Shell(NIM_DELETE, nid);
  }
}

NOTIFYICONDATAW TTrayIcon::Data(UINT flags) const noexcept {
  NOTIFYICONDATAW nid{};
  nid.cbSize = sizeof(nid);
  nid.hWnd = owner_;
  nid.uID = kIconId;
  nid.uFlags = flags;
  nid.uCallbackMessage = kTrayCallbackMessage;
  nid.hIcon = CurrentIcon();
  // The shell's limit: 127 characters and the terminating NUL.
  const size_t n = std::min(hint_.size(), std::size(nid.szTip) - 1);
  std::copy_n(hint_.data(), n, nid.szTip);
  nid.szTip[n] = L'\0';
  return nid;
}

BOOL TTrayIcon::Shell(DWORD message, NOTIFYICONDATAW& data) const noexcept {
  try {
    return shell_ ? shell_(message, &data) : ::Shell_NotifyIconW(message, &data);
  } catch (...) {
    return FALSE;
  }
}

HICON TTrayIcon::CurrentIcon() const noexcept {
  if (drawn_) return drawn_;
  return useImageList_ && listIcon_ ? listIcon_.get() : mainIcon_;
}

bool TTrayIcon::SetVisible(bool visible) noexcept {
  if (visible == visible_) return true;
  NOTIFYICONDATAW nid = Data(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  if (visible) {
    // Showing again shows the main icon, as at creation, unless a drawn one stands in.
    useImageList_ = false;
    nid.hIcon = CurrentIcon();
    Shell(NIM_ADD, nid);  // a failure to add is not reported
    visible_ = true;
    return true;
  }
  visible_ = false;  // counted invisible whether or not the shell removed it
  return Shell(NIM_DELETE, nid) != FALSE;
}

void TTrayIcon::SetHint(const std::wstring& hint) noexcept {
  if (hint == hint_) return;
  try {
    hint_ = hint;
  } catch (...) {
    return;
  }
  Modify(NIF_TIP);
}

void TTrayIcon::Modify(UINT flags) noexcept {
  if (!visible_) return;
  if (held_) {
    heldFlags_ |= flags;
    return;
  }
  NOTIFYICONDATAW nid = Data(flags);
  Shell(NIM_MODIFY, nid);
}

void TTrayIcon::Release() noexcept {
  held_ = false;
  const UINT flags = std::exchange(heldFlags_, 0u);
  if (flags != 0) Modify(flags);
}

void TTrayIcon::SetIcon(int index, HICON drawn) noexcept {
  const HICON before = CurrentIcon();
  if (index != imageIndex_) {
    imageIndex_ = index;
    useImageList_ = true;
    HIMAGELIST images = nullptr;
    try {
      if (images_) images = images_();
    } catch (...) {
      // No list: the main icon stays.
    }
    listIcon_.reset(images ? ImageList_GetIcon(images, index, ILD_NORMAL) : nullptr);
  }
  drawn_ = drawn;
  if (CurrentIcon() != before) Modify(NIF_ICON);
}

bool TTrayIcon::ShowNotification(const std::wstring& title, const std::wstring& text) noexcept {
  if (!visible_) return false;
  NOTIFYICONDATAW nid = Data(NIF_INFO);
  nid.dwInfoFlags = NIIF_INFO;
  const size_t nt = std::min(title.size(), std::size(nid.szInfoTitle) - 1);
  std::copy_n(title.data(), nt, nid.szInfoTitle);
  nid.szInfoTitle[nt] = L'\0';
  const size_t nb = std::min(text.size(), std::size(nid.szInfo) - 1);
  std::copy_n(text.data(), nb, nid.szInfo);
  nid.szInfo[nb] = L'\0';
  return Shell(NIM_MODIFY, nid) != FALSE;
}

TTrayIcon::Event TTrayIcon::OnCallback(LPARAM lParam) noexcept {
  switch (LOWORD(lParam)) {
    case WM_LBUTTONDOWN:
      leftDown_ = true;
      return Event::None;
    case WM_LBUTTONUP:
      if (!leftDown_) return Event::None;
      leftDown_ = false;
      return Event::Click;
    case WM_RBUTTONUP:
      return Event::Menu;
    default:
      return Event::None;
  }
}

void TTrayIcon::OnTaskbarCreated() noexcept {
  if (!visible_) return;
  NOTIFYICONDATAW nid = Data(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  Shell(NIM_ADD, nid);
}

void TTrayIcon::Repaint(bool startedAtLogon) noexcept {
  if (!startedAtLogon) return;
  if (!stopRepaint_) return;  // without the event the wait could not be cut short at the end
  auto alive = alive_;
  HANDLE stop = stopRepaint_.get();  // outlives the thread: the destructor joins it first
  repaintThread_.Start([this, alive, stop] {
    bool done = false;
    while (!done) {
      if (::WaitForSingleObject(stop, 1000) != WAIT_TIMEOUT) return;  // the program is closing
      if (!alive->load()) return;
      UiDispatcher* ui = UiDispatcher::Main();
      if (!ui) return;
      // Runs on the user-interface thread; the icon is never touched from here.
      const bool ran = ui->Run([this, alive, &done] {
        if (!alive->load()) {
          done = true;
          return;
        }
        if (!SetVisible(false)) return;  // the icon never reached the shell: try again in a second
        SetVisible(true);
        done = true;
      });
      if (!ran) return;  // the program is ending
    }
  });
}

bool ShowMainFormFlag() noexcept { return g_showMainForm.load(); }
void SetShowMainFormFlag(bool value) noexcept { g_showMainForm.store(value); }

void HideMainWindow(HWND mainWindow) noexcept {
  if (mainWindow && ::IsWindow(mainWindow)) ::ShowWindow(mainWindow, SW_HIDE);
}

void ShowMainWindow(HWND mainWindow) noexcept {
  if (!mainWindow || !::IsWindow(mainWindow)) return;
  SetShowMainFormFlag(true);
  if (::IsIconic(mainWindow)) ::ShowWindow(mainWindow, SW_RESTORE);
  if (::GetSystemMetrics(SM_CMONITORS) >= 1) {
    ::ShowWindow(mainWindow, SW_SHOW);
    ForceForegroundWindow(mainWindow);
  }
}

void ForceForegroundWindow(HWND wnd) noexcept {
  if (::IsIconic(wnd)) ::ShowWindow(wnd, SW_RESTORE);
  if (::GetForegroundWindow() == wnd) return;
  // Windows refuses SetForegroundWindow to a process that does not own the foreground;
  // attaching to the foreground thread's input lifts that for a moment.
  const DWORD foregroundThread = ::GetWindowThreadProcessId(::GetForegroundWindow(), nullptr);
  const DWORD windowThread = ::GetWindowThreadProcessId(wnd, nullptr);
  if (!::AttachThreadInput(windowThread, foregroundThread, TRUE)) return;
  ::BringWindowToTop(wnd);
  ::SetForegroundWindow(wnd);
  ::AttachThreadInput(windowThread, foregroundThread, FALSE);
  if (::GetForegroundWindow() == wnd) return;
  // Last resort: the foreground lock time-out, set to zero only for the two calls below.
  DWORD oldTimeout = 0;
  ::SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &oldTimeout, 0);
  ::SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<PVOID>(static_cast<UINT_PTR>(0)), SPIF_SENDCHANGE);
  ::BringWindowToTop(wnd);
  ::SetForegroundWindow(wnd);
  ::SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<PVOID>(static_cast<UINT_PTR>(oldTimeout)),
                          SPIF_SENDCHANGE);
}

}  // namespace sweeplet
