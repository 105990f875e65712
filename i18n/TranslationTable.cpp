#include "i18n/TranslationTable.h"

#include "common/Utf.h"

namespace sweeplet {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kFallbackLanguage = "en";

char FoldAscii(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Only A-Z and a-z fold; Hangul, Cyrillic and accented letters must match byte for byte.
bool EqualsAsciiFolded(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

// A line is "code=text", split at the first '='; a line without '=' has neither.
std::string_view CodeOf(std::string_view line) noexcept {
  const size_t eq = line.find('=');
  return eq == std::string_view::npos ? std::string_view{} : line.substr(0, eq);
}

std::string_view TextOf(std::string_view line) noexcept {
  const size_t eq = line.find('=');
  return eq == std::string_view::npos ? std::string_view{} : line.substr(eq + 1);
}

TranslationTable g_table;
std::string g_currentLanguage;

}  // namespace

std::vector<std::string> SplitTableLines(std::string_view bytes) {
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) bytes.remove_prefix(kByteOrderMark.size());
  // Round-tripping through UTF-16 replaces malformed sequences and leaves valid text as it was.
  // CR and LF never occur inside a multi-byte sequence, so splitting afterwards is safe.
  const std::string text = Utf16ToUtf8(Utf8ToUtf16(bytes));

  std::vector<std::string> lines;
  size_t start = 0;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c != '\r' && c != '\n') {
      ++i;
      continue;
    }
    lines.emplace_back(text, start, i - start);
    i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    start = i;
  }
  if (start < text.size()) lines.emplace_back(text, start, std::string::npos);
  return lines;
}

std::string ExpandLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      out.push_back('\r');
      ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::string TranslationTable::Translate(std::string_view key, std::string_view lang) const {
  // An empty key would otherwise match every line whose text is empty.
  if (key.empty()) return {};

  size_t match = 0;
  while (match < lines_.size() && !EqualsAsciiFolded(TextOf(lines_[match]), key)) ++match;
  if (match == lines_.size()) return ExpandLineBreaks(key);

  size_t blockStart = match;
  while (blockStart > 0 && !lines_[blockStart - 1].empty()) --blockStart;

  for (const std::string_view wanted : {lang, kFallbackLanguage}) {
    for (size_t i = blockStart; i < lines_.size() && !lines_[i].empty(); ++i) {
      if (CodeOf(lines_[i]) == wanted) return ExpandLineBreaks(TextOf(lines_[i]));
    }
  }
  return ExpandLineBreaks(key);
}

void SetTranslationTable(TranslationTable table) noexcept { g_table = std::move(table); }

void LoadTranslationTable(std::string_view bytes) { g_table = TranslationTable::Parse(bytes); }

std::string CurrentLanguage() { return g_currentLanguage; }

void SetCurrentLanguage(std::string_view lang) { g_currentLanguage.assign(lang); }

void ReleaseTranslation() noexcept {
  g_table = TranslationTable();
  std::string().swap(g_currentLanguage);
}

std::string Translate(std::string_view key, std::string_view lang) {
  return g_table.Translate(key, lang.empty() ? std::string_view(g_currentLanguage) : lang);
}

}  // namespace sweeplet
