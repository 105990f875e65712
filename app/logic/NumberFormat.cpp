#include "app/logic/NumberFormat.h"

#include <charconv>
#include <cmath>

namespace sweeplet {

namespace {

// Decimals beyond this add nothing a double can hold.
constexpr int kMaxDecimals = 18;

// Adds one to the last digit of a run of decimal digits; returns false when it carried out of
// the first digit (999 -> 000).
bool IncrementDigits(std::string& digits) {
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (*it != '9') {
      ++*it;
      return true;
    }
    *it = '0';
  }
  return false;
}

std::string Group(std::string_view digits, std::string_view separator) {
  std::string out;
  out.reserve(digits.size() + digits.size() / 3 * separator.size());
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += separator;
    out += digits[i];
  }
  return out;
}

}  // namespace

double RoundHalfEven(double value) noexcept {
  const double rounded = std::round(value);  // ties away from zero
  if (std::fabs(value - std::trunc(value)) == 0.5) return 2.0 * std::round(value / 2.0);
  return rounded;
}

std::string FormatNumber(double value, int decimals, const NumberSeparators& separators) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (decimals < 0) decimals = 0;
  if (decimals > kMaxDecimals) decimals = kMaxDecimals;

  // The shortest fixed-point text of a double has at most 309 whole and 324 fractional digits.
  char buffer[700];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed);
  const std::string_view text(buffer, static_cast<size_t>(result.ptr - buffer));
  const size_t point = text.find('.');
  std::string whole(text.substr(0, point));
  std::string fraction(point == std::string_view::npos ? std::string_view{} : text.substr(point + 1));

  const bool roundUp = fraction.size() > static_cast<size_t>(decimals) && fraction[decimals] >= '5';
  fraction.resize(decimals, '0');
  if (roundUp) {
    std::string digits = whole + fraction;
    if (!IncrementDigits(digits)) digits.insert(digits.begin(), '1');
    whole = digits.substr(0, digits.size() - fraction.size());
    fraction = digits.substr(digits.size() - fraction.size());
  }

  const bool zero = whole.find_first_not_of('0') == std::string::npos &&
                    fraction.find_first_not_of('0') == std::string::npos;
  std::string out;
  if (value < 0 && !zero) out += '-';
  out += Group(whole, separators.thousands);
  if (decimals > 0) {
    out += separators.decimal;
    out += fraction;
  }
  return out;
}

std::string FormatStatusText(std::string_view format, std::span<const double> args,
                             const NumberSeparators& separators) {
  std::string out;
  size_t next = 0;
  size_t i = 0;
  while (i < format.size()) {
    const char c = format[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out += '%';
      i += 2;
      continue;
    }
    // %[.digits]n
    size_t j = i + 1;
    int decimals = 2;
    if (j < format.size() && format[j] == '.') {
      ++j;
      const size_t digitsStart = j;
      int parsed = 0;
      while (j < format.size() && format[j] >= '0' && format[j] <= '9') {
        if (parsed <= kMaxDecimals) parsed = parsed * 10 + (format[j] - '0');
        ++j;
      }
      decimals = j > digitsStart ? parsed : 0;
    }
    if (j < format.size() && (format[j] == 'n' || format[j] == 'N') && next < args.size()) {
      out += FormatNumber(args[next++], decimals, separators);
      i = j + 1;
    } else {
      out += c;  // the rest of the directive follows as plain text
      ++i;
    }
  }
  return out;
}

}  // namespace sweeplet
