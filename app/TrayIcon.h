#pragma once
// The notification-area icon, and the window operations around it: hiding the main window
// into the notification area and bringing it back to the foreground.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "common/UniqueHandle.h"
#include "common/WorkerThread.h"

namespace sweeplet {

// Message the shell sends to the owner window for events on the icon.
inline constexpr UINT kTrayCallbackMessage = WM_APP + 10;

// Shell_NotifyIconW, or a stand-in that a test watches.
using ShellNotifyIcon = std::function<BOOL(DWORD message, NOTIFYICONDATAW* data)>;

class TTrayIcon {
 public:
  enum class Event { None, Click, Menu };

  // `images` gives the image list (0 idle, 1 busy), asked for when an index is first shown;
  // `mainIcon` is the application icon; an empty `shell` calls the shell itself.
  TTrayIcon(HWND owner, std::function<HIMAGELIST()> images, HICON mainIcon, ShellNotifyIcon shell = {}) noexcept;
  ~TTrayIcon();
  TTrayIcon(const TTrayIcon&) = delete;
  TTrayIcon& operator=(const TTrayIcon&) = delete;

  // Adding never reports failure; removing a visible icon returns false when the shell refused.
  bool SetVisible(bool visible) noexcept;
  bool Visible() const noexcept { return visible_; }
  // Tells the shell only when the text is new; the room of the kept hint is reused.
  void SetHint(const std::wstring& hint) noexcept;
  const std::wstring& Hint() const noexcept { return hint_; }
  void SetImageIndex(int index) noexcept { SetIcon(index, drawn_); }
  // The image at `index`, or `drawn` in its place when not null (the caller keeps it alive while
  // it shows). One trip to the shell, and only when what shows changed.
  void SetIcon(int index, HICON drawn) noexcept;
  int ImageIndex() const noexcept { return imageIndex_; }
  HICON ShownIcon() const noexcept { return CurrentIcon(); }
  // Between the two, changes of the hint and the icon go to the shell together, in one trip.
  void Hold() noexcept { held_ = true; }
  void Release() noexcept;
  // A desktop notification from the icon (the notification centre on Windows 10 and 11).
  bool ShowNotification(const std::wstring& title, const std::wstring& text) noexcept;

  // Translates the shell's callback into a click (press, then release) or a menu request.
  Event OnCallback(LPARAM lParam) noexcept;
  // The taskbar was re-created: a visible icon is added again.
  void OnTaskbarCreated() noexcept;

  // After a logon start: one second later the icon is removed and added again (twice if the
  // removal failed), on a short worker thread that hands each pass to the user-interface thread.
  void Repaint(bool startedAtLogon) noexcept;

 private:
  NOTIFYICONDATAW Data(UINT flags) const noexcept;
  BOOL Shell(DWORD message, NOTIFYICONDATAW& data) const noexcept;
  HICON CurrentIcon() const noexcept;
  void Modify(UINT flags) noexcept;

  HWND owner_;
  ShellNotifyIcon shell_;
  std::function<HIMAGELIST()> images_;
  HICON mainIcon_;
  HICON drawn_ = nullptr;
  bool visible_ = false;
  bool useImageList_ = false;  // the main icon shows until the image index first changes
  int imageIndex_ = 0;
  bool leftDown_ = false;
  bool held_ = false;
  UINT heldFlags_ = 0;
  std::wstring hint_;
  UniqueIcon listIcon_;
  WorkerThread repaintThread_;
  // Set when the icon goes: the retry thread's one-second wait ends at once.
  UniqueHandle stopRepaint_{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
};

// Bring the main window back: shown, restored and in the foreground.
void ShowMainWindow(HWND mainWindow) noexcept;
void HideMainWindow(HWND mainWindow) noexcept;
void ForceForegroundWindow(HWND wnd) noexcept;
// False after a start with "/start" until the window is first shown.
bool ShowMainFormFlag() noexcept;
void SetShowMainFormFlag(bool value) noexcept;

}  // namespace sweeplet
