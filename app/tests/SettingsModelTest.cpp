// The settings model on its own, without a window: what a start reads and writes back, and what
// each change stores, in a key of this run's own.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "app/SettingsModel.h"
#include "app/tests/ScratchSettings.h"

namespace sweeplet {
namespace {

const test::ScratchSettings kScratch(L"SettingsModel");

std::optional<DWORD> Stored(const wchar_t* name) {
  const DWORD missing = 0xDEADBEEF;
  const DWORD value = kScratch.Read(name, missing);
  if (value == missing) return std::nullopt;
  return value;
}

DWORD StoredCount() { return kScratch.ValueCount(); }
void Store(const wchar_t* name, DWORD value) { kScratch.Write(name, value); }

class SettingsModelTest : public ::testing::Test {
 protected:
  void SetUp() override { kScratch.Clear(); }
  void TearDown() override { kScratch.Remove(); }
  SettingsModel Model() { return SettingsModel(SettingsKey{HKEY_CURRENT_USER, kScratch.Path()}); }
};

enum Index : size_t { Phys, Page, Work, Minute };

struct LoadCase {
  const char* name;
  std::vector<std::pair<const wchar_t*, DWORD>> stored;
  bool cleanOnTray;
  std::vector<std::pair<bool, int>> autos;  // enabled and position of phys, page, work, minute
  std::vector<std::optional<int>> items;    // the number each position shows; none for none
  std::vector<std::pair<const wchar_t*, DWORD>> afterLoad;  // the whole key once loaded
  bool useOnIcon = false;
  bool notifications = true;
};

void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.name; }

class Loading : public SettingsModelTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(Loading, ReadsEveryValueAndWritesBackOnlySwitchesThatAreOn) {
  const LoadCase& c = GetParam();
  for (const auto& [name, value] : c.stored) Store(name, value);
  SettingsModel model = Model();
  model.Load();
  EXPECT_EQ(model.CleanOnTray(), c.cleanOnTray);
  EXPECT_EQ(model.UseOnIcon(), c.useOnIcon);
  EXPECT_EQ(model.Notifications(), c.notifications);
  for (size_t i = 0; i < kAutoSettingCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(model.Auto(i).enabled, c.autos[i].first);
    EXPECT_EQ(model.Auto(i).position, c.autos[i].second);
    EXPECT_EQ(model.AutoItem(i), c.items[i]);
  }
  EXPECT_EQ(StoredCount(), c.afterLoad.size());
  for (const auto& [name, value] : c.afterLoad) EXPECT_EQ(Stored(name), value) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Loading,
    ::testing::Values(
        LoadCase{"first_run", {}, false, {{false, 6}, {false, 6}, {false, 6}, {false, 3}}, {90, 90, 90, 30}, {}},
        // Any non-zero reads as on, and is written back as 1.
        LoadCase{"switches_on",
                 {{L"enabled_usage_page", 2}, {L"cleanontray", 5}, {L"enabled_minute", 1}},
                 true,
                 {{false, 6}, {true, 6}, {false, 6}, {true, 3}},
                 {90, 90, 90, 30},
                 {{L"enabled_usage_page", 1}, {L"cleanontray", 1}, {L"enabled_minute", 1}}},
        // Switches that are off are not written; positions are read, never corrected.
        LoadCase{"positions",
                 {{L"limit_usage_phys", 0}, {L"limit_minute", 6}, {L"limit_usage_work", 7},
                  {L"limit_usage_page", 0xFFFFFFFF}, {L"enabled_usage_phys", 0}},
                 false,
                 {{false, 0}, {false, -1}, {false, 7}, {false, 6}},
                 {30, std::nullopt, std::nullopt, 60},
                 {{L"limit_usage_phys", 0}, {L"limit_minute", 6}, {L"limit_usage_work", 7},
                  {L"limit_usage_page", 0xFFFFFFFF}, {L"enabled_usage_phys", 0}}},
        // The notification area's switches: the use on the icon on, notifications off; neither
        // is written back.
        LoadCase{"tray_switches",
                 {{L"trayuse", 3}, {L"notifications", 0}},
                 false,
                 {{false, 6}, {false, 6}, {false, 6}, {false, 3}},
                 {90, 90, 90, 30},
                 {{L"trayuse", 3}, {L"notifications", 0}},
                 true,
                 false}),
    [](const ::testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

TEST_F(SettingsModelTest, AValueOfAnotherKindReadsAsTheDefault) {
  kScratch.WriteText(L"enabled_usage_phys", L"1");
  kScratch.WriteText(L"limit_minute", L"1");
  SettingsModel model = Model();
  model.Load();
  EXPECT_FALSE(model.Auto(Phys).enabled);
  EXPECT_EQ(model.Auto(Minute).position, 3);
}

TEST_F(SettingsModelTest, EachSetterStoresExactlyItsOneValue) {
  struct Change {
    const char* what;
    void (*apply)(SettingsModel&);
    const wchar_t* name;
    DWORD value;
  };
  const Change changes[] = {
      {"phys on", [](SettingsModel& m) { m.SetAutoEnabled(Phys, true); }, L"enabled_usage_phys", 1},
      {"page on", [](SettingsModel& m) { m.SetAutoEnabled(Page, true); }, L"enabled_usage_page", 1},
      {"work off", [](SettingsModel& m) { m.SetAutoEnabled(Work, false); }, L"enabled_usage_work", 0},
      {"minute on", [](SettingsModel& m) { m.SetAutoEnabled(Minute, true); }, L"enabled_minute", 1},
      {"phys 50", [](SettingsModel& m) { m.SetAutoPosition(Phys, 2); }, L"limit_usage_phys", 2},
      {"page 30", [](SettingsModel& m) { m.SetAutoPosition(Page, 0); }, L"limit_usage_page", 0},
      {"work 90", [](SettingsModel& m) { m.SetAutoPosition(Work, 6); }, L"limit_usage_work", 6},
      {"minute 60", [](SettingsModel& m) { m.SetAutoPosition(Minute, 6); }, L"limit_minute", 6},
      {"tray on", [](SettingsModel& m) { m.SetCleanOnTray(true); }, L"cleanontray", 1},
      {"tray off", [](SettingsModel& m) { m.SetCleanOnTray(false); }, L"cleanontray", 0},
      {"standby off", [](SettingsModel& m) { m.SetPurgeArea(kAreaStandby, false); }, L"purge_standby", 0},
      {"modified off", [](SettingsModel& m) { m.SetPurgeArea(kAreaModified, false); }, L"purge_modified", 0},
      {"combine on", [](SettingsModel& m) { m.SetPurgeArea(kAreaCombine, true); }, L"purge_combine", 1},
      {"hotkey", [](SettingsModel& m) { m.SetHotkey(0x0643); }, L"hotkey", 0x0643},
      {"no hotkey", [](SettingsModel& m) { m.SetHotkey(0); }, L"hotkey", 0},
      {"use on icon on", [](SettingsModel& m) { m.SetUseOnIcon(true); }, L"trayuse", 1},
      {"use on icon off", [](SettingsModel& m) { m.SetUseOnIcon(false); }, L"trayuse", 0},
      {"notifications off", [](SettingsModel& m) { m.SetNotifications(false); }, L"notifications", 0},
      {"notifications on", [](SettingsModel& m) { m.SetNotifications(true); }, L"notifications", 1},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    kScratch.Clear();
    SettingsModel model = Model();
    change.apply(model);
    EXPECT_EQ(StoredCount(), 1u);
    EXPECT_EQ(Stored(change.name), change.value);
  }
}

std::wstring StoredText(const wchar_t* name) {
  wchar_t text[600] = {};
  DWORD size = sizeof text;
  const std::wstring key = L"Software\\" + kScratch.Path();
  if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  return text;
}

// Every purge area is on unless its own value says off; a missing value is on, so that a user who
// never chose gets every area.
TEST_F(SettingsModelTest, PurgeAreasAreOnUnlessStoredOff) {
  struct Row {
    std::vector<std::pair<const wchar_t*, DWORD>> stored;
    uint32_t areas;
  };
  const Row rows[] = {
      {{}, kAllPurgeAreas},
      {{{L"purge_standby", 0}, {L"purge_modified", 0}}, kAllPurgeAreas & ~(kAreaStandby | kAreaModified)},
      {{{L"purge_filecache", 7}, {L"purge_workingsets", 1}}, kAllPurgeAreas},
      {{{L"purge_filecache", 0}, {L"purge_workingsets", 0}, {L"purge_standby_low", 0}, {L"purge_standby", 0},
        {L"purge_modified", 0}, {L"purge_combine", 0}},
       0},
  };
  for (const Row& row : rows) {
    kScratch.Clear();
    for (const auto& [name, value] : row.stored) Store(name, value);
    SettingsModel model = Model();
    model.Load();
    EXPECT_EQ(model.PurgeAreas(), row.areas);
    EXPECT_EQ(SettingsModel::ReadPurgeAreas(SettingsKey{HKEY_CURRENT_USER, kScratch.Path()}), row.areas);
    EXPECT_EQ(StoredCount(), row.stored.size()) << "loading writes no area back";
  }
  kScratch.Clear();
  SettingsModel model = Model();
  model.SetPurgeArea(kAreaStandbyLowPriority, false);
  model.SetPurgeArea(kAreaCombine, false);
  model.SetPurgeArea(kAreaCombine, true);
  EXPECT_EQ(model.PurgeAreas(), kAllPurgeAreas & ~kAreaStandbyLowPriority);
}

TEST_F(SettingsModelTest, OnlyAHotkeyTheControlCanGiveIsRead) {
  const std::pair<DWORD, uint16_t> rows[] = {{0x0643, 0x0643}, {0, 0}, {0x10000, 0}, {0xFFFFFFFF, 0}};
  for (const auto& [stored, read] : rows) {
    kScratch.Clear();
    Store(L"hotkey", stored);
    SettingsModel model = Model();
    model.Load();
    EXPECT_EQ(model.Hotkey(), read) << stored;
  }
}

// The program list is stored whole in one value; a stored list that breaks the rules pauses nothing.
TEST_F(SettingsModelTest, PauseProgramsAreStoredWholeAndReadOnlyWhenValid) {
  SettingsModel model = Model();
  model.SetPausePrograms({L"game.exe", L"vmware-vmx.exe"});
  EXPECT_EQ(StoredText(L"pause_programs"), L"game.exe; vmware-vmx.exe");
  EXPECT_EQ(StoredCount(), 1u);
  SettingsModel again = Model();
  again.Load();
  EXPECT_EQ(again.PausePrograms(), (std::vector<std::wstring>{L"game.exe", L"vmware-vmx.exe"}));

  kScratch.WriteText(L"pause_programs", L"game.exe; C:\\tools\\x.exe");
  SettingsModel handEdited = Model();
  handEdited.Load();
  EXPECT_TRUE(handEdited.PausePrograms().empty());
}

// A store that fails (here: no key at all) leaves the change standing for this run.
TEST_F(SettingsModelTest, AChangeHoldsWhenItCannotBeStored) {
  SettingsModel model(SettingsKey{nullptr, kScratch.Path()});
  model.Load();
  model.SetAutoEnabled(Work, true);
  model.SetAutoPosition(Work, 1);
  model.SetCleanOnTray(true);
  EXPECT_TRUE(model.Auto(Work).enabled);
  EXPECT_EQ(model.Auto(Work).position, 1);
  EXPECT_TRUE(model.CleanOnTray());
  EXPECT_EQ(StoredCount(), 0u);
}

// What the automatic rule reads: each switch, and the text of its item only where it is on.
TEST_F(SettingsModelTest, TheAutomaticRuleGetsTheSwitchesAndTheChosenItems) {
  Store(L"enabled_usage_phys", 1);
  Store(L"limit_usage_phys", 4);
  Store(L"enabled_usage_work", 1);
  Store(L"limit_usage_work", 9);
  Store(L"enabled_minute", 1);
  Store(L"limit_minute", 1);
  SettingsModel model = Model();
  model.Load();
  AutoCleanSettings settings;
  settings.usagePageLimit = 40;
  model.FillAutoClean(settings);
  EXPECT_TRUE(settings.usagePhys);
  EXPECT_EQ(settings.usagePhysLimit, 70);
  EXPECT_FALSE(settings.usagePage);
  EXPECT_EQ(settings.usagePageLimit, std::nullopt);
  EXPECT_TRUE(settings.usageWork);
  EXPECT_EQ(settings.usageWorkLimit, std::nullopt) << "a position outside the list chooses nothing";
  EXPECT_TRUE(settings.minute);
  EXPECT_EQ(settings.minuteLimit, 10);

  model.SetAutoEnabled(Phys, false);
  model.FillAutoClean(settings);
  EXPECT_FALSE(settings.usagePhys);
  EXPECT_EQ(settings.usagePhysLimit, std::nullopt);
}

TEST(AutoSettingsTable, EachControlFindsItsSetting) {
  EXPECT_EQ(FindAutoSetting(IdChkUsagePhys), 0);
  EXPECT_EQ(FindAutoSetting(IdEditUsagePage), 1);
  EXPECT_EQ(FindAutoSetting(IdChkUsageWork), 2);
  EXPECT_EQ(FindAutoSetting(IdEditMinute), 3);
  EXPECT_EQ(FindAutoSetting(IdChkCleanOnTray), -1);
  EXPECT_EQ(FindAutoSetting(IdChkAutoStart), -1);
}

}  // namespace
}  // namespace sweeplet
