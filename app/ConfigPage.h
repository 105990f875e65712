#pragma once
// The Config page: the automatic-cleaning switches with their lists, the tray-click,
// start-at-logon, use-on-icon and notification switches, and the version line. Its controls are made when the page is first
// shown, and kept: many users never open it, and a logon start goes straight to the tray. Made,
// it looks as it would have at start: the window's DPI, font, language, colours and focus-cue
// state, and the settings' values, set quietly (nothing is stored, no reference time moves).
#include <windows.h>

#include <vector>

#include "app/ControlPlacement.h"

namespace sweeplet {

class PageHost;
class SettingsModel;

class ConfigPage {
 public:
  ConfigPage(PageHost& host, SettingsModel& settings) : host_(host), settings_(settings) {}

  bool Made() const noexcept { return card_ != nullptr; }
  // Makes the page's controls in `pageArea`, hidden; once.
  void Make(HWND pageArea);
  HWND Card() const noexcept { return card_; }
  void Layout() noexcept;

  // A notification from one of the page's controls; false when `id` is none of them.
  bool OnCommand(int id, int code);
  // The start-at-logon box shows `checked`, without its click handler.
  void ShowLogonTask(bool checked) noexcept;
  // Enter presses the focused check box, as Space does; false when none has the focus.
  bool PressFocusedCheckBox() noexcept;
  void FollowHighContrast() noexcept;

 private:
  std::vector<Placement> Placements();
  void ShowSettings() noexcept;
  void SetUpAccessibility() noexcept;
  void OnBoxClick(int id);
  void OnListChange(int id);
  HWND Control(int id) const noexcept;

  PageHost& host_;
  SettingsModel& settings_;
  HWND card_ = nullptr;
  HWND groupBox1_ = nullptr, chkUsagePhys_ = nullptr, chkMinute_ = nullptr, editUsagePhys_ = nullptr,
       editMinute_ = nullptr, chkUsagePage_ = nullptr, editUsagePage_ = nullptr, chkUsageWork_ = nullptr,
       editUsageWork_ = nullptr;
  HWND groupBox3_ = nullptr, chkAutoStart_ = nullptr, chkCleanOnTray_ = nullptr, editInfo_ = nullptr;
  HWND chkTrayUse_ = nullptr, chkNotifications_ = nullptr;
};

}  // namespace sweeplet
