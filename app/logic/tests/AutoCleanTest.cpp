#include "app/logic/AutoClean.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <vector>

#include "app/logic/DateTime.h"

namespace sweeplet {
namespace {

const double kNextTime = ToDateTime({2024, 5, 15, 10, 0, 0, 0});

// The date-time `seconds` after (or before) the reference time.
double After(int64_t seconds) {
  const int64_t s = 36000 + seconds;  // 10:00 plus the offset, within 14 and 16 May
  const int64_t day = 15 + (s >= 0 ? s / 86400 : -1 - (-s - 1) / 86400);
  const int64_t ofDay = s - (day - 15) * 86400;
  return ToDateTime({2024, 5, static_cast<int>(day), static_cast<int>(ofDay / 3600), static_cast<int>(ofDay / 60 % 60),
                     static_cast<int>(ofDay % 60), 0});
}

AutoCleanSettings Phys(std::optional<int> limit) {
  AutoCleanSettings s;
  s.usagePhys = true;
  s.usagePhysLimit = limit;
  return s;
}
AutoCleanSettings Page(std::optional<int> limit) {
  AutoCleanSettings s;
  s.usagePage = true;
  s.usagePageLimit = limit;
  return s;
}
AutoCleanSettings Work(std::optional<int> limit) {
  AutoCleanSettings s;
  s.usageWork = true;
  s.usageWorkLimit = limit;
  return s;
}
AutoCleanSettings Minutes(std::optional<int> minutes) {
  AutoCleanSettings s;
  s.minute = true;
  s.minuteLimit = minutes;
  return s;
}

struct RuleCase {
  const char* name;
  AutoCleanSettings settings;
  float phys, page, work;
  int64_t secondsSinceNextTime;
  bool expected;
};

class AutoCleanRule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(AutoCleanRule, Decides) {
  const RuleCase& c = GetParam();
  const double now = After(c.secondsSinceNextTime);
  EXPECT_EQ(ShouldCleanAutomatically(c.settings, c.phys, c.page, c.work, kNextTime, [&] { return now; }), c.expected);
}

AutoCleanSettings Everything() {
  AutoCleanSettings s{true, true, true, true, 70, 80, 90, 30};
  return s;
}
AutoCleanSettings AllButPhysTicked() {
  AutoCleanSettings s = Everything();
  s.usagePhys = false;
  return s;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AutoCleanRule,
    ::testing::Values(
        RuleCase{"ThresholdReachedExactly", Phys(70), 70.0f, 0, 0, 300, true},
        RuleCase{"JustBelowThreshold", Phys(70), 69.99f, 0, 0, 300, false},
        RuleCase{"GapBlocksThreshold", Phys(70), 95.0f, 0, 0, 299, false},
        RuleCase{"PageThreshold", Page(80), 0, 80.5f, 0, 301, true},
        RuleCase{"WorkThreshold", Work(30), 0, 0, 30.0f, 1000, true},
        RuleCase{"UncheckedThresholdIgnored", AllButPhysTicked(), 100.0f, 79.0f, 89.0f, 600, false},
        RuleCase{"AnyTickedConditionSuffices", Everything(), 0, 0, 90.0f, 600, true},
        RuleCase{"NothingTicked", AutoCleanSettings{}, 100.0f, 100.0f, 100.0f, 100000, false},
        RuleCase{"NothingChosenComparesWith100", Work(std::nullopt), 0, 0, 99.99f, 600, false},
        RuleCase{"NothingChosenFiresAt100", Work(std::nullopt), 0, 0, 100.0f, 600, true},
        RuleCase{"ThresholdAbove100NeverReached", Phys(101), 100.0f, 0, 0, 600, false},
        RuleCase{"ZeroThresholdAlwaysReached", Phys(0), 0.0f, 0, 0, 600, true},
        RuleCase{"IntervalPassed", Minutes(5), 0, 0, 0, 300, true},
        RuleCase{"IntervalNotYetPassed", Minutes(10), 0, 0, 0, 599, false},
        RuleCase{"IntervalExactlyPassed", Minutes(10), 0, 0, 0, 600, true},
        RuleCase{"NoIntervalChosenIsADay", Minutes(std::nullopt), 0, 0, 0, 86399, false},
        RuleCase{"NoIntervalChosenIsADayPassed", Minutes(std::nullopt), 0, 0, 0, 86400, true},
        RuleCase{"LargestIntervalDoesNotOverflow", Minutes(INT_MAX), 0, 0, 0, 86400, false},
        RuleCase{"MostNegativeIntervalStillWaitsForTheGap", Minutes(INT_MIN), 0, 0, 0, 299, false},
        RuleCase{"NegativeIntervalStillWaitsForTheGap", Minutes(-5), 0, 0, 0, 120, false},
        RuleCase{"ClockSetBackCountsAbsolutely", Minutes(5), 0, 0, 0, -400, true},
        RuleCase{"ClockSetBackWithinTheGap", Phys(10), 50.0f, 0, 0, -200, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AutoCleanRule, GapIsReadFromASecondClockReading) {
  // The first reading says the interval has passed; by the second the clock has been set back
  // close to the reference time.
  std::vector<double> readings = {After(600), After(100)};
  size_t calls = 0;
  EXPECT_FALSE(ShouldCleanAutomatically(Minutes(10), 0, 0, 0, kNextTime, [&] { return readings.at(calls++); }));
  EXPECT_EQ(calls, 2u);
}

TEST(AutoCleanRule, ClockReadOnceWithoutInterval) {
  size_t calls = 0;
  EXPECT_TRUE(ShouldCleanAutomatically(Phys(70), 80.0f, 0, 0, kNextTime, [&] {
    ++calls;
    return After(300);
  }));
  EXPECT_EQ(calls, 1u);
}

// The first second, counted from the reference time, at which a tick would clean.
std::optional<int64_t> FirstFiring(const AutoCleanSettings& settings, float phys) {
  for (int64_t second = 0; second <= 7200; ++second) {
    const double now = After(second);
    if (ShouldCleanAutomatically(settings, phys, 0, 0, kNextTime, [&] { return now; })) return second;
  }
  return std::nullopt;
}

TEST(AutoCleanRule, FirstTickThatCleans) {
  EXPECT_EQ(FirstFiring(Minutes(5), 0), 300);
  EXPECT_EQ(FirstFiring(Minutes(60), 0), 3600);
  EXPECT_EQ(FirstFiring(Phys(80), 99.0f), 300);  // constantly exceeded: at most every 300 s
  EXPECT_EQ(FirstFiring(Phys(80), 79.0f), std::nullopt);
}

}  // namespace
}  // namespace sweeplet
