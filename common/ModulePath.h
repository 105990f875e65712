#pragma once
// Where a loaded module lives on disk.
#include <windows.h>

#include <string>

namespace sweeplet {

// The longest path the system hands out, in characters (long paths included).
inline constexpr size_t kLongestPath = 32768;

// The full path of `module`, this executable for null; empty when it cannot be had whole.
std::wstring ModulePath(HMODULE module = nullptr) noexcept;

}  // namespace sweeplet
