#pragma once
// The notification area: the icon (the application's, the busy one during a job, or the drawn use
// when that is switched on), its tooltip, the notification after a job, the context menu and the
// shell's events. The window hands it plain values and keeps every decision: what a click does,
// when a job starts, whether a notification shows. It reaches the window only through TrayHost.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Services.h"
#include "app/TrayIcon.h"
#include "app/logic/NumberFormat.h"
#include "app/logic/TrayTexts.h"
#include "app/logic/UseIcon.h"
#include "common/UniqueHandle.h"

namespace sweeplet {

class TrayHost {
 public:
  virtual ~TrayHost() = default;
  virtual HWND Window() const noexcept = 0;
  // A left click on the icon (press, then release).
  virtual void TrayClicked() = 0;
};

// The taskbar's mode and the high-contrast colours, as the icon is drawn for them.
struct TrayLook {
  TaskbarMode mode = TaskbarMode::Dark;
  SystemColors system{};
  int iconSize = 16;  // the shell's small-icon size at the system DPI
};

// Reads the look afresh: SystemUsesLightTheme (a missing value counts as the dark taskbar Windows
// 10 and 11 start with), high contrast and the small-icon size.
TrayLook ReadTrayLook() noexcept;

// Draws the use as icons. Its bitmaps are made once per size and kept: the system copies them into
// each icon, so a new number costs one icon and no other object.
class UseIconCanvas {
 public:
  // The face at `size` pixels in `ink`; null when the size is out of range or the system refused.
  UniqueIcon Make(UseFace face, int size, Color ink) noexcept;

 private:
  bool Prepare(int size) noexcept;

  int size_ = 0;
  UniqueBitmap color_, mask_;  // 32-bit colour with alpha; 1-bit mask, set where the taskbar shows
  DWORD* colorBits_ = nullptr;
  std::uint8_t* maskBits_ = nullptr;
  std::vector<std::uint8_t> face_;
};

class TrayArea {
 public:
  // `notifier` null: the icon shows the notifications; `notifyIcon` empty: Shell_NotifyIconW.
  TrayArea(TrayHost& host, INotifier* notifier, ShellNotifyIcon notifyIcon) noexcept;
  ~TrayArea();
  TrayArea(const TrayArea&) = delete;
  TrayArea& operator=(const TrayArea&) = delete;

  // Puts the icon in the notification area with `title` as its tooltip; after a logon start it
  // is added again a second later, as the shell may not have been ready. `separators` group the
  // freed amount as in the window's status lines.
  void Add(const std::wstring& title, const NumberSeparators& separators, bool startedAtLogon);
  bool Added() const noexcept { return icon_ != nullptr; }
  // Takes the icon out of the notification area for good.
  void Remove() noexcept;

  // The tick's snapshot: the tooltip and, when shown, the use on the icon. Allocates nothing and
  // tells the shell only of a change.
  void ShowUse(float usagePhys, float usagePage);
  // The busy icon while a job runs; the freed line goes from the tooltip when one starts.
  void SetBusy(bool busy);
  // What the job freed, for the tooltip and the notification; none: the job purged nothing.
  void ShowFreed(std::optional<uint64_t> freedBytes);
  // The notification after a cleaning: "Optimized memory." and the freed line.
  void NotifyCleaned();
  void Notify(const std::wstring& text);

  // The setting "Show memory use on the tray icon".
  void SetUseOnIcon(bool on);
  // The taskbar's colours, high contrast or the DPI may have changed: drawn again if they did.
  void FollowLook();
  void FollowLook(const TrayLook& look);

  // The shell's callback message; a right click opens the menu (commands go to the window).
  void OnCallback(LPARAM lParam);
  void OnTaskbarCreated();

  // For tests: the icon, null before Add; the menu, null until first opened.
  const TTrayIcon* Icon() const noexcept { return icon_.get(); }
  HMENU Menu() const noexcept { return menu_.get(); }
  bool ImagesMade() const noexcept { return images_.get() != nullptr; }
  UseFace ShownFace() const noexcept { return shownFace_; }

 private:
  void ShowMenu();
  HIMAGELIST Images();
  void UpdateTip();
  void UpdateIcon();

  TrayHost& host_;
  INotifier* notifier_;
  ShellNotifyIcon notifyIcon_;
  NumberSeparators separators_;
  std::unique_ptr<TTrayIcon> icon_;
  UniqueMenu menu_;  // Open, separator, Credits, Quit: made at the first right click
  UniqueAny<HIMAGELIST, ImageList_Destroy> images_;  // idle and busy: made when first shown

  // The tooltip: its fixed texts, the last tick's use, the last job's freed line (empty during a
  // job and before the first), the text being composed and the one the icon shows.
  TrayTipTexts tipTexts_;
  float usagePhys_ = 0, usagePage_ = 0;
  std::string freedLine_;
  std::string tip_, shownTip_;
  std::wstring shownTipWide_;

  // The use on the icon: whether it is switched on, the look it is drawn for, what it shows.
  bool useOnIcon_ = false;
  bool busy_ = false;
  bool haveReading_ = false;
  TrayLook look_;
  UseFace shownFace_{-1, UseLevel::Normal};
  UniqueIcon drawn_;
  UseIconCanvas canvas_;
};

}  // namespace sweeplet
