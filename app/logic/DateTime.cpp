#include "app/logic/DateTime.h"

#include <cmath>

#include "app/logic/NumberFormat.h"

namespace sweeplet {

namespace {

constexpr int64_t kMillisecondsPerDay = 86'400'000;
// Well beyond the years 1..9999; keeps the millisecond arithmetic far from overflow whatever
// value a caller hands in.
constexpr double kMaxDays = 1e8;

// Days from 1 March of year 0 in the proleptic Gregorian calendar, for any y/m/d.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) noexcept {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe;
}

}  // namespace

double ToDateTime(const LocalDateTime& t) noexcept {
  const int64_t days = DaysFromCivil(t.year, t.month, t.day) - DaysFromCivil(1899, 12, 30);
  const int64_t ms = ((int64_t{t.hour} * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond;
  const double time = static_cast<double>(ms) / kMillisecondsPerDay;
  return days >= 0 ? static_cast<double>(days) + time : static_cast<double>(days) - time;
}

int64_t ToWholeMilliseconds(double dateTime) noexcept {
  if (std::isnan(dateTime)) dateTime = 0;
  if (dateTime > kMaxDays) dateTime = kMaxDays;
  if (dateTime < -kMaxDays) dateTime = -kMaxDays;
  const double days = std::trunc(dateTime);
  const double timeOfDay = RoundHalfEven(std::fabs(dateTime - days) * kMillisecondsPerDay);
  return static_cast<int64_t>(days) * kMillisecondsPerDay + static_cast<int64_t>(timeOfDay);
}

int64_t WholeSecondsBetween(double a, double b) noexcept {
  const int64_t difference = ToWholeMilliseconds(a) - ToWholeMilliseconds(b);
  return (difference < 0 ? -difference : difference) / 1000;
}

}  // namespace sweeplet
