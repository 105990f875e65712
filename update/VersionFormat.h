#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace sweeplet {

// The version numbers major, minor, release, build.
using VersionNumbers = std::array<uint16_t, 4>;

// Fills the "%d" placeholders of `pattern` with the version numbers in order; a pattern with
// fewer placeholders shows the leading numbers only. "%%" writes one percent sign; any further
// "%d" and every other '%' stay as written.
inline std::string FormatVersion(std::string_view pattern, const VersionNumbers& numbers) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size()) {
      if (pattern[i + 1] == '%') {
        out.push_back('%');
        ++i;
        continue;
      }
      if (pattern[i + 1] == 'd' && next < numbers.size()) {
        out += std::to_string(numbers[next++]);
        ++i;
        continue;
      }
    }
    out.push_back(pattern[i]);
  }
  return out;
}

}  // namespace sweeplet
