#include "app/logic/TrayTexts.h"

#include <charconv>

#include "app/logic/StatusLines.h"

namespace sweeplet {
namespace {

constexpr std::string_view kAmountPlaceholder = "%s";
constexpr std::string_view kMiddleDot = " \xC2\xB7 ";  // U+00B7 between two blanks

void AppendPercent(std::string& out, std::string_view name, float usage) {
  char digits[4];  // at most "100"
  const auto result = std::to_chars(digits, digits + sizeof digits, ProgressPosition(usage));
  out.append(name);
  out.push_back(' ');
  out.append(digits, result.ptr);
  out.append(" %");
}

}  // namespace

void AppendFreedLine(std::string& out, uint64_t freedBytes, std::string_view freedFormat, std::string_view nothingText,
                     const NumberSeparators& separators) {
  const double megabytes = BytesToMegabytes(freedBytes);
  if (megabytes == 0) {
    out.append(nothingText);
    return;
  }
  const size_t at = freedFormat.find(kAmountPlaceholder);
  if (at == std::string_view::npos) {
    out.append(freedFormat);
    out.push_back(' ');
  } else {
    out.append(freedFormat.substr(0, at));
  }
  AppendNumber(out, megabytes, 0, separators);
  out.append(" MB");
  if (at != std::string_view::npos) out.append(freedFormat.substr(at + kAmountPlaceholder.size()));
}

std::string CompletionNotice(std::string_view cleanedText, std::string_view freedLine) {
  std::string notice(cleanedText);
  notice.push_back('\n');
  notice.append(freedLine);
  return notice;
}

void ComposeTrayTip(std::string& out, const TrayTipTexts& texts, float usagePhys, float usagePage,
                    std::string_view freedLine) {
  out.clear();
  out.append(texts.title);
  out.push_back('\n');
  AppendPercent(out, texts.physical, usagePhys);
  out.append(kMiddleDot);
  AppendPercent(out, texts.virtualMemory, usagePage);
  if (!freedLine.empty()) {
    out.push_back('\n');
    out.append(freedLine);
  }
}

size_t Utf16Length(std::string_view utf8) noexcept {
  size_t units = 0;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) ++units;  // each character's lead byte
    if (byte >= 0xF0) ++units;           // beyond the first plane: a surrogate pair
  }
  return units;
}

}  // namespace sweeplet
