#pragma once
#include <string_view>

namespace sweeplet {

// Command-line switches; only the first argument is examined, compared exactly.
inline constexpr std::wstring_view kSwitchStart = L"/start";
inline constexpr std::wstring_view kSwitchInstall = L"/inst";
inline constexpr std::wstring_view kSwitchUninstall = L"/uninst";
inline constexpr std::wstring_view kSwitchClean = L"/clean";

}  // namespace sweeplet
