#include "update/Strings.h"

#include <algorithm>

#include "common/Utf.h"

namespace sweeplet {
namespace {

// ASCII only, so that every character keeps its length and position.
std::string UpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

std::string TextBetween(std::string_view source, std::string_view startTag, std::string_view endTag) {
  std::string text = UpperAscii(source);
  const std::string start = UpperAscii(startTag);
  const std::string end = UpperAscii(endTag);

  // Hide escaped closing quotes from the search: the quote after such a backslash is overwritten
  // with a backslash, which keeps every position so the value can be cut from the original text.
  if (!end.empty() && std::string_view("\"'").find(end) != std::string_view::npos) {
    const std::string escaped = "\\" + end;
    for (size_t pos = text.find(escaped); pos != std::string::npos; pos = text.find(escaped, pos + escaped.size())) {
      text[pos + 1] = '\\';
    }
  }

  size_t first = 0;
  if (!start.empty()) {
    const size_t pos = text.find(start);
    if (pos == std::string::npos) return {};
    first = pos + start.size();
  }
  size_t last = text.size();
  if (!end.empty()) {
    const size_t pos = text.find(end, first);
    if (pos == std::string::npos) return {};
    last = pos;
  }
  return std::string(source.substr(first, last - first));
}

std::optional<std::string> UnescapeText(std::string_view text) {
  // \u escapes name UTF-16 code units, so the walk is done in UTF-16; converting back joins
  // surrogate pairs and replaces lone surrogates.
  const std::u16string in = Utf8ToUtf16(text);
  std::u16string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] != u'\\') {
      out.push_back(in[i]);
      continue;
    }
    if (++i == in.size()) break;  // a backslash at the end is dropped
    switch (const char16_t c = in[i]) {
      case u'"':
      case u'\'':
      case u'/':
      case u'\\':
        out.push_back(c);
        break;
      case u'b':
        out.push_back(u'\b');
        break;
      case u'f':
        out.push_back(u'\f');
        break;
      case u'n':
        out.push_back(u'\n');
        break;
      case u'r':
        out.push_back(u'\r');
        break;
      case u't':
        out.push_back(u'\t');
        break;
      case u'u': {
        const size_t digits = std::min<size_t>(4, in.size() - i - 1);
        if (digits == 0) return std::nullopt;
        unsigned value = 0;
        for (size_t k = 1; k <= digits; ++k) {
          const int digit = HexDigit(in[i + k]);
          if (digit < 0) return std::nullopt;
          value = value * 16 + static_cast<unsigned>(digit);
        }
        out.push_back(static_cast<char16_t>(value));
        i += digits;
        break;
      }
      default:
        break;  // unknown escape: dropped with its backslash
    }
  }
  return Utf16ToUtf8(out);
}

}  // namespace sweeplet
