#include "app/SettingsModel.h"

#include <algorithm>

#include "app/ControlIds.h"
#include "app/logic/ProgramList.h"
#include "config/Config.h"

namespace sweeplet {
namespace {

constexpr int kPercentItems[] = {30, 40, 50, 60, 70, 80, 90};
constexpr int kMinuteItems[] = {5, 10, 20, 30, 40, 50, 60};
constexpr wchar_t kCleanOnTrayName[] = L"cleanontray";
constexpr wchar_t kHotkeyName[] = L"hotkey";
constexpr wchar_t kPauseProgramsName[] = L"pause_programs";

constexpr PurgeAreaSetting kPurgeAreaSettings[kPurgeAreaCount] = {
    {kAreaFileCache, L"purge_filecache"},       {kAreaWorkingSets, L"purge_workingsets"},
    {kAreaStandbyLowPriority, L"purge_standby_low"}, {kAreaStandby, L"purge_standby"},
    {kAreaModified, L"purge_modified"},         {kAreaCombine, L"purge_combine"},
};

uint32_t ReadAreas(const TConfig& config) {
  uint32_t areas = 0;
  for (const PurgeAreaSetting& setting : kPurgeAreaSettings) {
    if (config.ReadBoolean(setting.name, true)) areas |= setting.area;
  }
  return areas;
}

constexpr wchar_t kUseOnIconName[] = L"trayuse";
constexpr wchar_t kNotificationsName[] = L"notifications";

constexpr AutoSetting kAutoSettings[kAutoSettingCount] = {
    {IdChkUsagePhys, IdEditUsagePhys, L"enabled_usage_phys", L"limit_usage_phys", 6, kPercentItems,
     &AutoCleanSettings::usagePhys, &AutoCleanSettings::usagePhysLimit},
    {IdChkUsagePage, IdEditUsagePage, L"enabled_usage_page", L"limit_usage_page", 6, kPercentItems,
     &AutoCleanSettings::usagePage, &AutoCleanSettings::usagePageLimit},
    {IdChkUsageWork, IdEditUsageWork, L"enabled_usage_work", L"limit_usage_work", 6, kPercentItems,
     &AutoCleanSettings::usageWork, &AutoCleanSettings::usageWorkLimit},
    {IdChkMinute, IdEditMinute, L"enabled_minute", L"limit_minute", 3, kMinuteItems, &AutoCleanSettings::minute,
     &AutoCleanSettings::minuteLimit},
};
static_assert(std::ranges::all_of(kAutoSettings,
                                  [](const AutoSetting& s) {
                                    return s.defaultPosition >= 0 &&
                                           static_cast<size_t>(s.defaultPosition) < s.items.size();
                                  }),
              "every default names an item of its list");

}  // namespace

std::span<const AutoSetting, kAutoSettingCount> AutoSettings() noexcept { return kAutoSettings; }
std::span<const PurgeAreaSetting, kPurgeAreaCount> PurgeAreaSettings() noexcept { return kPurgeAreaSettings; }

int FindAutoSetting(int controlId) noexcept {
  for (size_t i = 0; i < kAutoSettingCount; ++i) {
    if (kAutoSettings[i].box == controlId || kAutoSettings[i].list == controlId) return static_cast<int>(i);
  }
  return -1;
}

SettingsModel::SettingsModel(SettingsKey key) : key_(std::move(key)) {
  for (size_t i = 0; i < kAutoSettingCount; ++i) auto_[i].position = kAutoSettings[i].defaultPosition;
}

void SettingsModel::Load() {
  {
    const TConfig config(key_.path, key_.root);
    for (size_t i = 0; i < kAutoSettingCount; ++i) {
      auto_[i].enabled = config.ReadBoolean(kAutoSettings[i].enabledName, false);
      auto_[i].position = config.ReadInteger(kAutoSettings[i].limitName, kAutoSettings[i].defaultPosition);
    }
    cleanOnTray_ = config.ReadBoolean(kCleanOnTrayName, false);
    purgeAreas_ = ReadAreas(config);
    // Only the two bytes the hotkey control gives; anything else is no hotkey.
    const int32_t hotkey = config.ReadInteger(kHotkeyName, 0);
    hotkey_ = hotkey > 0 && hotkey <= 0xFFFF ? static_cast<uint16_t>(hotkey) : 0;
    pausePrograms_ = ParseProgramList(config.ReadString(kPauseProgramsName, L"")).names;
    useOnIcon_ = config.ReadBoolean(kUseOnIconName, false);
    notifications_ = config.ReadBoolean(kNotificationsName, true);
  }
  // A stored "on" reads as any non-zero number; written back, it is 1.
  if (cleanOnTray_) Store(kCleanOnTrayName, true);
  for (size_t i = 0; i < kAutoSettingCount; ++i) {
    if (auto_[i].enabled) Store(kAutoSettings[i].enabledName, true);
  }
}

std::optional<int> SettingsModel::AutoItem(size_t index) const noexcept {
  const AutoSetting& setting = kAutoSettings[index];
  const int position = auto_[index].position;
  if (position < 0 || static_cast<size_t>(position) >= setting.items.size()) return std::nullopt;
  return setting.items[static_cast<size_t>(position)];
}

void SettingsModel::FillAutoClean(AutoCleanSettings& out) const {
  for (size_t i = 0; i < kAutoSettingCount; ++i) {
    const AutoSetting& setting = kAutoSettings[i];
    out.*setting.on = auto_[i].enabled;
    out.*setting.limit = auto_[i].enabled ? AutoItem(i) : std::nullopt;
  }
}

void SettingsModel::SetAutoEnabled(size_t index, bool enabled) {
  auto_[index].enabled = enabled;
  Store(kAutoSettings[index].enabledName, enabled);
}

void SettingsModel::SetAutoPosition(size_t index, int position) {
  auto_[index].position = position;
  Store(kAutoSettings[index].limitName, position);
}

void SettingsModel::SetCleanOnTray(bool on) {
  cleanOnTray_ = on;
  Store(kCleanOnTrayName, on);
}

void SettingsModel::SetPurgeArea(PurgeArea area, bool on) {
  purgeAreas_ = on ? purgeAreas_ | area : purgeAreas_ & ~static_cast<uint32_t>(area);
  for (const PurgeAreaSetting& setting : kPurgeAreaSettings) {
    if (setting.area == area) Store(setting.name, on);
  }
}

uint32_t SettingsModel::ReadPurgeAreas(const SettingsKey& key) { return ReadAreas(TConfig(key.path, key.root)); }

void SettingsModel::SetHotkey(uint16_t hotkey) {
  hotkey_ = hotkey;
  Store(kHotkeyName, static_cast<int>(hotkey));
}

void SettingsModel::SetPausePrograms(std::vector<std::wstring> names) {
  pausePrograms_ = std::move(names);
  TConfig(key_.path, key_.root).WriteString(kPauseProgramsName, JoinProgramList(pausePrograms_));
}

void SettingsModel::SetUseOnIcon(bool on) {
  useOnIcon_ = on;
  Store(kUseOnIconName, on);
}

void SettingsModel::SetNotifications(bool on) {
  notifications_ = on;
  Store(kNotificationsName, on);
}

void SettingsModel::Store(const wchar_t* name, bool value) const {
  TConfig(key_.path, key_.root).WriteBoolean(name, value);
}

void SettingsModel::Store(const wchar_t* name, int value) const {
  TConfig(key_.path, key_.root).WriteInteger(name, value);
}

}  // namespace sweeplet
