#pragma once
// Numbers in the status lines: the locale's separators, grouping by thousands, and the few
// format directives the status texts use. UTF-8 throughout.
#include <span>
#include <string>
#include <string_view>

namespace sweeplet {

struct NumberSeparators {
  std::string thousands = ",";  // fr-FR uses U+00A0, de-DE "."
  std::string decimal = ".";
};

// Nearest whole number, ties to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double RoundHalfEven(double value) noexcept;

// `decimals` digits after the decimal separator, the whole part grouped in threes.
// The last shown digit is rounded half away from zero, judged on the shortest decimal text that
// reads back as the same double (so 2.675 shows as 2.68 and -0.125 as -0.13). A result that
// rounds to zero carries no minus sign. Not-a-number and infinities show as NAN, INF, -INF.
std::string FormatNumber(double value, int decimals, const NumberSeparators& separators);
// The same appended to `out`, allocating nothing once `out` has room.
void AppendNumber(std::string& out, double value, int decimals, const NumberSeparators& separators);

// Expands a status format text, taking the arguments in order:
//   %n     a number grouped in thousands, two decimals
//   %.Dn   the same with D decimals (%.0n: none)
//   %%     a percent sign
// A directive that is not one of these, or that finds no argument left, is copied as it stands
// rather than failing: the formats come from translations, and a faulty one must not cost the
// status line.
std::string FormatStatusText(std::string_view format, std::span<const double> args,
                             const NumberSeparators& separators);
void AppendStatusText(std::string& out, std::string_view format, std::span<const double> args,
                      const NumberSeparators& separators);

}  // namespace sweeplet
