// Input: table bytes, NUL, key, NUL, language. Every part may be missing or malformed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/Utf.h"
#include "i18n/TranslationTable.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Lookups expand every backslash-n pair, so none can remain in a result.
void CheckResult(const std::string& result) { Check(result.find("\\n") == std::string::npos); }

std::string_view TakeUntilNul(std::string_view& rest) {
  const size_t nul = rest.find('\0');
  const std::string_view part = rest.substr(0, nul);
  rest = nul == std::string_view::npos ? std::string_view{} : rest.substr(nul + 1);
  return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  const std::string_view tableBytes = TakeUntilNul(rest);
  const std::string_view key = TakeUntilNul(rest);
  const std::string_view lang = rest;

  const sweeplet::TranslationTable table = sweeplet::TranslationTable::Parse(tableBytes);
  for (const std::string& line : table.Lines()) {
    Check(line.find_first_of("\r\n") == std::string::npos);
    Check(sweeplet::Utf16ToUtf8(sweeplet::Utf8ToUtf16(line)) == line);  // lines are valid UTF-8
  }

  CheckResult(table.Translate(key, lang));
  Check(table.Translate({}, lang).empty());
  // Texts of the table itself always match, which walks the block search on every shape of input.
  // A few lines are enough; all of them would make each run quadratic in the table's size.
  const auto& lines = table.Lines();
  for (size_t i = 0; i < lines.size() && i < 16; ++i) {
    const size_t eq = lines[i].find('=');
    if (eq != std::string::npos) CheckResult(table.Translate(std::string_view(lines[i]).substr(eq + 1), lang));
  }

  sweeplet::SetTranslationTable(table);
  sweeplet::SetCurrentLanguage(lang);
  CheckResult(sweeplet::Translate(key));
  sweeplet::ReleaseTranslation();
  return 0;
}
