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
};

void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.name; }

class Loading : public SettingsModelTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(Loading, ReadsEveryValueAndWritesBackOnlySwitchesThatAreOn) {
  const LoadCase& c = GetParam();
  for (const auto& [name, value] : c.stored) Store(name, value);
  SettingsModel model = Model();
  model.Load();
  EXPECT_EQ(model.CleanOnTray(), c.cleanOnTray);
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
                  {L"limit_usage_page", 0xFFFFFFFF}, {L"enabled_usage_phys", 0}}}),
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
