#include "app/logic/AutoClean.h"

#include <limits>

#include "app/logic/DateTime.h"

namespace sweeplet {

namespace {

bool Reached(float usage, std::optional<int> chosen) {
  const int64_t limit = chosen ? *chosen : kDefaultThresholdPercent;
  return static_cast<long double>(usage) >= static_cast<long double>(limit);
}

// Minutes in seconds, held at the ends of the range rather than overflowing.
int64_t MinutesToSeconds(int64_t minutes) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max() / 60;
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min() / 60;
  if (minutes > kMax) return std::numeric_limits<int64_t>::max();
  if (minutes < kMin) return std::numeric_limits<int64_t>::min();
  return minutes * 60;
}

}  // namespace

bool ShouldCleanAutomatically(const AutoCleanSettings& settings, float usagePhys, float usagePage, float usageWork,
                              double nextTime, const std::function<double()>& now) {
  bool trigger = false;
  if (settings.usagePhys && Reached(usagePhys, settings.usagePhysLimit)) trigger = true;
  if (settings.usagePage && Reached(usagePage, settings.usagePageLimit)) trigger = true;
  if (settings.usageWork && Reached(usageWork, settings.usageWorkLimit)) trigger = true;
  if (settings.minute) {
    const int64_t elapsed = WholeSecondsBetween(now(), nextTime);
    const int64_t minutes = settings.minuteLimit ? *settings.minuteLimit : kDefaultIntervalMinutes;
    if (elapsed >= MinutesToSeconds(minutes)) trigger = true;
  }
  if (WholeSecondsBetween(now(), nextTime) < kMinimumGapSeconds) trigger = false;
  return trigger;
}

}  // namespace sweeplet
