#pragma once
// The Cleaning page: which areas the purge cleans (with what the heavy ones cost), the cleaning
// hotkey, and the programs that pause automatic cleaning. Made when first shown, and kept, as the
// Config page is; it shows the settings model and writes each change to it.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "app/ControlPlacement.h"

namespace sweeplet {

class PageHost;
class SettingsModel;

class CleaningPage {
 public:
  // What the page asks of the window about the hotkey, which the window registers.
  class Host {
   public:
    virtual ~Host() = default;
    // Puts `hotkey` (the hotkey control's value, 0 for none) in place of the one registered;
    // false when another program holds it, and the one before stays.
    virtual bool ChangeHotkey(uint16_t hotkey) = 0;
    // Whether the stored hotkey could be registered (false when it was taken at start).
    virtual bool HotkeyRegistered() const noexcept = 0;
  };

  CleaningPage(PageHost& page, Host& host, SettingsModel& settings) : page_(page), host_(host), settings_(settings) {}

  bool Made() const noexcept { return card_ != nullptr; }
  // Makes the page's controls in `pageArea`, hidden; once.
  void Make(HWND pageArea);
  HWND Card() const noexcept { return card_; }
  void Layout() noexcept;
  // A notification from one of the page's controls; false when `id` is none of them.
  bool OnCommand(int id, int code);
  // Enter presses the focused check box or the apply button; false when neither has the focus.
  bool PressFocused() noexcept;
  void FollowHighContrast() noexcept;

 private:
  std::vector<Placement> Placements();
  void ShowSettings() noexcept;
  void OnHotkeyChange();
  void ApplyPausePrograms();

  PageHost& page_;
  Host& host_;
  SettingsModel& settings_;
  HWND card_ = nullptr;
  HWND groupAreas_ = nullptr, lblAreaCost_ = nullptr;
  HWND areaBoxes_[6] = {};
  HWND groupHotkey_ = nullptr, lblHotkey_ = nullptr, hotkey_ = nullptr, lblHotkeyMessage_ = nullptr;
  HWND lblPause_ = nullptr, editPause_ = nullptr, btnPauseApply_ = nullptr, lblPauseMessage_ = nullptr;
};

}  // namespace sweeplet
