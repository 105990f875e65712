#pragma once
// The status timer's rule for cleaning on its own: a ticked usage threshold reached, or the
// ticked interval passed since the reference time, and never within 300 seconds of it.
#include <cstdint>
#include <functional>
#include <optional>

namespace sweeplet {

inline constexpr int64_t kDefaultThresholdPercent = 100;
inline constexpr int64_t kDefaultIntervalMinutes = 1440;
inline constexpr int64_t kMinimumGapSeconds = 300;

// What the settings page shows: the four check boxes and the numbers chosen in their lists
// (none when nothing is chosen: a threshold of 100 % and an interval of a day then).
struct AutoCleanSettings {
  bool usagePhys = false;
  bool usagePage = false;
  bool usageWork = false;
  bool minute = false;
  std::optional<int> usagePhysLimit;
  std::optional<int> usagePageLimit;
  std::optional<int> usageWorkLimit;
  std::optional<int> minuteLimit;
};

// Whether to start an automatic cleaning now. The caller applies it only while no cleaning runs.
// `nextTime` is the reference date-time (start, end of the last cleaning, last change of these
// settings); `now` gives the current local date-time and is read a second time for the gap
// check, after the interval test.
bool ShouldCleanAutomatically(const AutoCleanSettings& settings, float usagePhys, float usagePage, float usageWork,
                              double nextTime, const std::function<double()>& now);

}  // namespace sweeplet
