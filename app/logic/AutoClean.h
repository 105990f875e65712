#pragma once
// The status timer's rule for cleaning on its own: a ticked usage threshold reached, or the
// ticked interval passed since the reference time, and never within 300 seconds of it.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace sweeplet {

inline constexpr int64_t kDefaultThresholdPercent = 100;
inline constexpr int64_t kDefaultIntervalMinutes = 1440;
inline constexpr int64_t kMinimumGapSeconds = 300;

// What the settings page shows: the four check boxes and the texts of their lists (empty when
// nothing is chosen).
struct AutoCleanSettings {
  bool usagePhys = false;
  bool usagePage = false;
  bool usageWork = false;
  bool minute = false;
  std::string usagePhysText;
  std::string usagePageText;
  std::string usageWorkText;
  std::string minuteText;
};

// A 64-bit whole number in decimal with an optional sign and nothing else; nullopt for an empty
// text, anything else, or a value out of range.
std::optional<int64_t> ParseWholeNumber(std::string_view text) noexcept;

// Whether to start an automatic cleaning now. The caller applies it only while no cleaning runs.
// `nextTime` is the reference date-time (start, end of the last cleaning, last change of these
// settings); `now` gives the current local date-time and is read a second time for the gap
// check, after the interval test.
bool ShouldCleanAutomatically(const AutoCleanSettings& settings, float usagePhys, float usagePage, float usageWork,
                              double nextTime, const std::function<double()>& now);

}  // namespace sweeplet
