#pragma once
// The translation table: one text in several languages per block, Korean first by convention.
// Any text of any language is a key, so a translated text translates again to the same result.
//
// The loaded table and the current language are module state, filled once at start-up before
// any window exists and only read afterwards (TranslateComponent may replace the language while
// the window is created, still on the user-interface thread). Nothing here takes a lock.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sweeplet {

// Splits the table's bytes into lines. A leading UTF-8 byte-order mark is skipped, malformed
// UTF-8 becomes U+FFFD (so every line is valid UTF-8), and lines end at CR LF, a lone CR or a
// lone LF; a final line end adds no empty line. Line ends are not kept.
std::vector<std::string> SplitTableLines(std::string_view bytes);

// Every backslash followed by 'n' becomes one carriage return (not CR LF).
std::string ExpandLineBreaks(std::string_view text);

class TranslationTable {
 public:
  TranslationTable() = default;
  explicit TranslationTable(std::vector<std::string> lines) noexcept : lines_(std::move(lines)) {}
  static TranslationTable Parse(std::string_view bytes) { return TranslationTable(SplitTableLines(bytes)); }

  const std::vector<std::string>& Lines() const noexcept { return lines_; }
  bool Empty() const noexcept { return lines_.empty(); }

  // The text of `key` in `lang`, else in "en", else `key` itself; backslash-n becomes CR in
  // whatever is returned. `key` matches the text of any line (ASCII letters without regard to
  // case, everything else exactly); the first match in file order wins. Language codes match
  // exactly. An empty `lang` is taken as the code "" (the caller resolves the default).
  std::string Translate(std::string_view key, std::string_view lang) const;

 private:
  std::vector<std::string> lines_;
};

// Replaces the loaded table; LoadTranslationTable parses bytes first.
void SetTranslationTable(TranslationTable table) noexcept;
void LoadTranslationTable(std::string_view bytes);

// The language used when a lookup names none, normally two letters ("ko", "en", "zh").
std::string CurrentLanguage();
void SetCurrentLanguage(std::string_view lang);

// Shutdown: frees the table and empties the current language.
void ReleaseTranslation() noexcept;

// Looks `key` up in the loaded table, in `lang` or, when that is empty, in CurrentLanguage().
// Never fails: without a table or a match the key comes back (backslash-n expanded).
std::string Translate(std::string_view key, std::string_view lang = {});

}  // namespace sweeplet
