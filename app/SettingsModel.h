#pragma once
// The values the Config page shows, without the page: read from the settings key at start, and
// each change stored at once, a value of its own through a store of its own. The automatic rule,
// the tray click and the page all read them here; nothing reads a setting out of a control.
// A change holds for this run even when the store fails: the next run shows what the key holds.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/Services.h"
#include "app/logic/AutoClean.h"
#include "memory/MemoryPurge.h"

namespace sweeplet {

class TConfig;

// One automatic-cleaning setting: a switch (a check box) and a position in a list of numbers.
struct AutoSetting {
  int box;   // the control ids that show it on the Config page
  int list;
  const wchar_t* enabledName;  // Boolean: the switch
  const wchar_t* limitName;    // Integer: the position chosen in the list
  int defaultPosition;
  std::span<const int> items;  // the list's numbers
  bool AutoCleanSettings::*on;
  std::optional<int> AutoCleanSettings::*limit;
};

inline constexpr std::size_t kAutoSettingCount = 4;
// Physical memory, page file, working set, interval: the order they are loaded and written back in.
std::span<const AutoSetting, kAutoSettingCount> AutoSettings() noexcept;
// The index of the setting whose box or list has the id `controlId`; -1 for none.
int FindAutoSetting(int controlId) noexcept;

class SettingsModel {
 public:
  struct AutoValue {
    bool enabled = false;
    int position = 0;  // as stored: a position outside the list chooses nothing
  };

  explicit SettingsModel(SettingsKey key);

  // Reads every value. Switches that are on are stored again (the tray switch first, then the
  // automatic ones in order), as a start always has; nothing is written for a missing value.
  void Load();

  const AutoValue& Auto(std::size_t index) const noexcept { return auto_[index]; }
  bool CleanOnTray() const noexcept { return cleanOnTray_; }
  // "Show memory use on the tray icon", off by default.
  bool UseOnIcon() const noexcept { return useOnIcon_; }
  // "Show notifications" after a cleaning from the tray icon, on by default.
  bool Notifications() const noexcept { return notifications_; }
  // The number at the setting's position; none when the position lies outside the list.
  std::optional<int> AutoItem(std::size_t index) const noexcept;
  // What the automatic rule reads; the status tick calls it every second.
  void FillAutoClean(AutoCleanSettings& out) const;

  // Each stores exactly its one value.
  void SetAutoEnabled(std::size_t index, bool enabled);
  void SetAutoPosition(std::size_t index, int position);
  void SetCleanOnTray(bool on);
  void SetUseOnIcon(bool on);
  void SetNotifications(bool on);

  // The purge's areas that are on (kPurgeArea bits); each its own value, a missing one on.
  uint32_t PurgeAreas() const noexcept { return purgeAreas_; }
  void SetPurgeArea(PurgeArea area, bool on);
  // The areas as the settings key holds them now, without a model (a "/clean" with no copy running).
  static uint32_t ReadPurgeAreas(const SettingsKey& key);

  // The cleaning hotkey as the hotkey control gives it (virtual key in the low byte, HOTKEYF_
  // flags in the high byte); 0 for none.
  uint16_t Hotkey() const noexcept { return hotkey_; }
  void SetHotkey(uint16_t hotkey);

  // The programs that pause automatic cleaning. A stored list that breaks the rules of
  // ParseProgramList (written by hand) pauses nothing.
  const std::vector<std::wstring>& PausePrograms() const noexcept { return pausePrograms_; }
  void SetPausePrograms(std::vector<std::wstring> names);

 private:
  void Store(const wchar_t* name, bool value) const;
  void Store(const wchar_t* name, int value) const;

  SettingsKey key_;
  std::array<AutoValue, kAutoSettingCount> auto_{};
  bool cleanOnTray_ = false;
  uint32_t purgeAreas_ = kAllPurgeAreas;
  uint16_t hotkey_ = 0;
  std::vector<std::wstring> pausePrograms_;
  bool useOnIcon_ = false;
  bool notifications_ = true;
};

// The settings value of each purge area, in request order.
struct PurgeAreaSetting {
  PurgeArea area;
  const wchar_t* name;
};
std::span<const PurgeAreaSetting, kPurgeAreaCount> PurgeAreaSettings() noexcept;

}  // namespace sweeplet
