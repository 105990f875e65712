#pragma once
// The user's number separators and the local clock, as the status refresh needs them.
#include "app/logic/NumberFormat.h"

namespace sweeplet {

// The user locale's thousands and decimal separators (UTF-8). The grouping itself is done by
// FormatNumber: Wine's own number formatting groups wrongly. Falls back to "," and "." for a
// separator the system does not report.
NumberSeparators ReadUserNumberSeparators();

// The current local date-time, in days since 30 December 1899.
double NowAsDateTime() noexcept;

}  // namespace sweeplet
