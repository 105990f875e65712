#pragma once
// Date-times as the program keeps them: days since 30 December 1899, local time, the time of
// day as the fraction. Before that day the whole part is negative and the fraction still counts
// forward from midnight (-1.25 is 29 December 1899, 06:00).
#include <cstdint>

namespace sweeplet {

struct LocalDateTime {
  int year = 1899;
  int month = 12;  // 1..12
  int day = 30;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// Expects a valid calendar date and time of day (as the system clock reports it).
double ToDateTime(const LocalDateTime& t) noexcept;

// Whole milliseconds: days * 86,400,000 plus the milliseconds of the time of day.
int64_t ToWholeMilliseconds(double dateTime) noexcept;

// Whole seconds between two date-times, whichever comes first: the absolute difference of their
// whole milliseconds, divided by 1000, remainder dropped.
int64_t WholeSecondsBetween(double a, double b) noexcept;

}  // namespace sweeplet
