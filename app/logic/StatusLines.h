#pragma once
// The three usage lines of the Home page and the progress bar, from one memory snapshot.
#include <cstdint>
#include <string>
#include <string_view>

#include "app/logic/NumberFormat.h"
#include "memory/MemoryStatus.h"

namespace sweeplet {

// The physical-memory line before translation (the translation key, UTF-8): used MB, total MB,
// usage percent.
inline constexpr std::string_view kPhysStatusFormatKey = "%.0n MB / %.0n MB (%n%% \xEC\x82\xAC\xEC\x9A\xA9\xEC\xA4\x91)";
// The page-file and file-cache lines: used MB, usage percent. Not translated.
inline constexpr std::string_view kUsageStatusFormat = "%.0n MB (%n%%)";

struct StatusLines {
  std::string phys;  // LblPhysStatus
  std::string page;  // LblVirtualStatus
  std::string work;  // LblWorkingStatus
  int progress = 0;  // ProgressBar, 0..100
};

// Bytes in whole megabytes (2^20 bytes), ties to the even neighbour; exact for every amount.
double BytesToMegabytes(uint64_t bytes) noexcept;

// The physical usage rounded half to even, kept within the bar's 0..100 (a usage above 100 or
// not a number cannot be a bar position).
int ProgressPosition(float usagePhys) noexcept;

// `physFormat` is the translated kPhysStatusFormatKey. A snapshot whose file-cache query failed
// should start zeroed (MemoryStatus{}), so the file-cache line shows 0 MB (0.00%).
StatusLines ComputeStatusLines(const MemoryStatus& status, std::string_view physFormat,
                               const NumberSeparators& separators);
// The same into lines kept from the previous tick: their strings are reused, so a tick
// allocates nothing once they have grown to size.
void ComputeStatusLines(const MemoryStatus& status, std::string_view physFormat, const NumberSeparators& separators,
                        StatusLines& lines);

}  // namespace sweeplet
