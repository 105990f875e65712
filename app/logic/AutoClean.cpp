#include "app/logic/AutoClean.h"

#include <charconv>
#include <limits>

#include "app/logic/DateTime.h"

namespace sweeplet {

namespace {

bool Reached(float usage, const std::string& limitText) {
  const int64_t limit = ParseWholeNumber(limitText).value_or(kDefaultThresholdPercent);
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

std::optional<int64_t> ParseWholeNumber(std::string_view text) noexcept {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (text.empty() || text.front() == '-') return std::nullopt;
  }
  int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  if (result.ec != std::errc{} || result.ptr != end) return std::nullopt;
  return value;
}

bool ShouldCleanAutomatically(const AutoCleanSettings& settings, float usagePhys, float usagePage, float usageWork,
                              double nextTime, const std::function<double()>& now) {
  bool trigger = false;
  if (settings.usagePhys && Reached(usagePhys, settings.usagePhysText)) trigger = true;
  if (settings.usagePage && Reached(usagePage, settings.usagePageText)) trigger = true;
  if (settings.usageWork && Reached(usageWork, settings.usageWorkText)) trigger = true;
  if (settings.minute) {
    const int64_t elapsed = WholeSecondsBetween(now(), nextTime);
    const int64_t minutes = ParseWholeNumber(settings.minuteText).value_or(kDefaultIntervalMinutes);
    if (elapsed >= MinutesToSeconds(minutes)) trigger = true;
  }
  if (WholeSecondsBetween(now(), nextTime) < kMinimumGapSeconds) trigger = false;
  return trigger;
}

}  // namespace sweeplet
