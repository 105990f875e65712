#include "app/logic/StatusLines.h"

#include <cmath>

namespace sweeplet {

namespace {

constexpr unsigned kMegabyteShift = 20;

void UsageLine(std::string& out, uint64_t used, float usage, const NumberSeparators& separators) {
  const double args[] = {BytesToMegabytes(used), usage};
  out.clear();
  AppendStatusText(out, kUsageStatusFormat, args, separators);
}

}  // namespace

double BytesToMegabytes(uint64_t bytes) noexcept {
  // In integers: a double quotient of a huge amount would already be rounded once.
  uint64_t whole = bytes >> kMegabyteShift;
  const uint64_t rest = bytes & ((uint64_t{1} << kMegabyteShift) - 1);
  const uint64_t half = uint64_t{1} << (kMegabyteShift - 1);
  if (rest > half || (rest == half && (whole & 1) != 0)) ++whole;
  return static_cast<double>(whole);
}

int ProgressPosition(float usagePhys) noexcept {
  const double position = RoundHalfEven(usagePhys);
  if (!(position > 0)) return 0;  // also not a number
  if (position > 100) return 100;
  return static_cast<int>(position);
}

StatusLines ComputeStatusLines(const MemoryStatus& status, std::string_view physFormat,
                               const NumberSeparators& separators) {
  StatusLines lines;
  ComputeStatusLines(status, physFormat, separators, lines);
  return lines;
}

void ComputeStatusLines(const MemoryStatus& status, std::string_view physFormat, const NumberSeparators& separators,
                        StatusLines& lines) {
  const double physArgs[] = {BytesToMegabytes(status.TotalPhys - status.AvailPhys),
                             BytesToMegabytes(status.TotalPhys), status.UsagePhys};
  lines.phys.clear();
  AppendStatusText(lines.phys, physFormat, physArgs, separators);
  UsageLine(lines.page, status.TotalPage - status.AvailPage, status.UsagePage, separators);
  UsageLine(lines.work, status.TotalWork - status.AvailWork, status.UsageWork, separators);
  lines.progress = ProgressPosition(status.UsagePhys);
}

}  // namespace sweeplet
