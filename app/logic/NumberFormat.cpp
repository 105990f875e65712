#include "app/logic/NumberFormat.h"

#include <charconv>
#include <cmath>

#if defined(__MINGW32__)
// mingw-w64's correctly rounded double-to-digits conversion (gdtoa); the string is freed with
// __freedtoa.
extern "C" char* __dtoa(double value, int mode, int digits, int* point, int* negative, char** end);
extern "C" void __freedtoa(char* digits);
#endif

namespace sweeplet {

namespace {

// Decimals beyond this add nothing a double can hold.
constexpr int kMaxDecimals = 18;

// The fixed-point text of |value| without its sign: the shortest that reads back as the same
// double, and every digit of a whole number too large for the shortest to be exact. `buffer`
// holds at least 700 characters (309 whole and 324 fractional digits at most).
std::string_view FixedText(double value, char* buffer, size_t size) {
#if defined(__MINGW32__)
  // The runtime's own shortest-digits conversion (the one its printf uses); the standard
  // library's would bring along 170 KB of tables for the same digits.
  value = std::fabs(value);
  int point = 0, negative = 0;
  char* end = nullptr;
  // Mode 0: the shortest digits that read back; mode 3 with no decimals: a whole number's exact digits.
  char* digits = ::__dtoa(value, value >= 0x1p53 ? 3 : 0, 0, &point, &negative, &end);
  if (digits == nullptr) return "0";
  const std::string_view d(digits, static_cast<size_t>(end - digits));
  size_t n = 0;
  auto put = [&](char c) {
    if (n < size) buffer[n++] = c;
  };
  if (d.empty()) {
    put('0');
  } else if (point <= 0) {
    put('0');
    put('.');
    for (int i = point; i < 0; ++i) put('0');
    for (char c : d) put(c);
  } else {
    for (size_t i = 0; i < d.size(); ++i) {
      if (i == static_cast<size_t>(point)) put('.');
      put(d[i]);
    }
    for (size_t i = d.size(); i < static_cast<size_t>(point); ++i) put('0');
  }
  ::__freedtoa(digits);
  return std::string_view(buffer, n);
#else
  const auto result = std::to_chars(buffer, buffer + size, std::fabs(value), std::chars_format::fixed);
  return std::string_view(buffer, static_cast<size_t>(result.ptr - buffer));
#endif
}

}  // namespace

double RoundHalfEven(double value) noexcept {
  const double rounded = std::round(value);  // ties away from zero
  if (std::fabs(value - std::trunc(value)) == 0.5) return 2.0 * std::round(value / 2.0);
  return rounded;
}

void AppendNumber(std::string& out, double value, int decimals, const NumberSeparators& separators) {
  if (std::isnan(value)) {
    out += "NAN";
    return;
  }
  if (std::isinf(value)) {
    out += value < 0 ? "-INF" : "INF";
    return;
  }
  if (decimals < 0) decimals = 0;
  if (decimals > kMaxDecimals) decimals = kMaxDecimals;

  // The shortest fixed-point text of a double has at most 309 whole and 324 fractional digits.
  // Everything stays on the stack: the status tick formats seven numbers a second.
  char buffer[700];
  const std::string_view text = FixedText(value, buffer, sizeof buffer);
  const size_t point = text.find('.');
  size_t whole = point == std::string_view::npos ? text.size() : point;
  const std::string_view fraction = point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);

  // The whole digits and `decimals` fraction digits, behind one spare digit for a carry.
  char digits[1 + 309 + kMaxDecimals];
  digits[0] = '0';
  text.copy(digits + 1, whole);
  for (int k = 0; k < decimals; ++k)
    digits[1 + whole + k] = static_cast<size_t>(k) < fraction.size() ? fraction[k] : '0';
  const size_t end = 1 + whole + static_cast<size_t>(decimals);
  if (fraction.size() > static_cast<size_t>(decimals) && fraction[decimals] >= '5') {
    for (size_t i = end; i-- > 0;) {
      if (digits[i] != '9') {
        ++digits[i];
        break;
      }
      digits[i] = '0';
    }
  }
  size_t first = 1;
  if (digits[0] != '0') {  // carried out of the first digit: 9.99 -> 10.00
    first = 0;
    ++whole;
  }

  bool zero = true;
  for (size_t i = first; i < end && zero; ++i) zero = digits[i] == '0';
  if (value < 0 && !zero) out += '-';
  for (size_t i = 0; i < whole; ++i) {
    if (i > 0 && (whole - i) % 3 == 0) out += separators.thousands;
    out += digits[first + i];
  }
  if (decimals > 0) {
    out += separators.decimal;
    out.append(digits + first + whole, static_cast<size_t>(decimals));
  }
}

std::string FormatNumber(double value, int decimals, const NumberSeparators& separators) {
  std::string out;
  AppendNumber(out, value, decimals, separators);
  return out;
}

std::string FormatStatusText(std::string_view format, std::span<const double> args,
                             const NumberSeparators& separators) {
  std::string out;
  AppendStatusText(out, format, args, separators);
  return out;
}

void AppendStatusText(std::string& out, std::string_view format, std::span<const double> args,
                      const NumberSeparators& separators) {
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
      AppendNumber(out, args[next++], decimals, separators);
      i = j + 1;
    } else {
      out += c;  // the rest of the directive follows as plain text
      ++i;
    }
  }
}

}  // namespace sweeplet
