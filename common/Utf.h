#pragma once
// UTF-8 inside the program's logic, UTF-16 at the Win32 edge; the conversion lives here only.
#include <string>
#include <string_view>

namespace sweeplet {

// Decodes UTF-8 to UTF-16, appending to `out` (a string of 16-bit units). Malformed sequences
// become U+FFFD; never reads past the input.
template <typename Utf16String>
void AppendUtf8AsUtf16(std::string_view s, Utf16String& out) {
  using Unit = typename Utf16String::value_type;
  static_assert(sizeof(Unit) == 2);
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    char32_t cp = 0xFFFD;
    size_t len = 1;
    auto cont = [&](size_t k) { return i + k < n && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80; };
    if (c < 0x80) {
      cp = c;
    } else if (c >= 0xC2 && c <= 0xDF && cont(1)) {
      cp = ((c & 0x1Fu) << 6) | (s[i + 1] & 0x3Fu);
      len = 2;
    } else if (c >= 0xE0 && c <= 0xEF && cont(1) && cont(2)) {
      cp = ((c & 0x0Fu) << 12) | ((s[i + 1] & 0x3Fu) << 6) | (s[i + 2] & 0x3Fu);
      if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
      len = 3;
    } else if (c >= 0xF0 && c <= 0xF4 && cont(1) && cont(2) && cont(3)) {
      cp = ((c & 0x07u) << 18) | ((s[i + 1] & 0x3Fu) << 12) | ((s[i + 2] & 0x3Fu) << 6) | (s[i + 3] & 0x3Fu);
      if (cp < 0x10000 || cp > 0x10FFFF) cp = 0xFFFD;
      len = 4;
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<Unit>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<Unit>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<Unit>(cp));
    }
  }
}

inline std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  AppendUtf8AsUtf16(s, out);
  return out;
}

// Encodes UTF-16 to UTF-8. A lone surrogate becomes U+FFFD.
inline std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

#ifdef _WIN32
// On Windows wchar_t is a UTF-16 code unit.
inline std::wstring Widen(std::string_view s) {
  std::wstring out;
  out.reserve(s.size());
  AppendUtf8AsUtf16(s, out);
  return out;
}
// The same into a buffer kept by the caller: once it is large enough nothing is allocated.
inline void WidenInto(std::string_view s, std::wstring& out) {
  out.clear();
  AppendUtf8AsUtf16(s, out);
}
inline std::string Narrow(std::wstring_view s) {
  return Utf16ToUtf8(std::u16string(s.begin(), s.end()));
}
#endif

}  // namespace sweeplet
