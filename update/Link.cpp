#include "update/Link.h"

namespace sweeplet {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// The characters a URL may carry unencoded; everything else must arrive percent-encoded.
bool IsUrlChar(char c) {
  if (c <= 0x20 || c >= 0x7F) return false;
  switch (c) {
    case '"':
    case '<':
    case '>':
    case '\\':
    case '^':
    case '`':
    case '{':
    case '|':
    case '}':
      return false;
    default:
      return true;
  }
}

}  // namespace

bool IsOpenableLink(std::string_view link) {
  std::string_view rest;
  if (StartsWithNoCase(link, "http://")) {
    rest = link.substr(7);
  } else if (StartsWithNoCase(link, "https://")) {
    rest = link.substr(8);
  } else {
    return false;
  }
  // A host must follow the scheme: "https:///x" or "https://?x" name no site.
  if (rest.empty() || rest.front() == '/' || rest.front() == '?' || rest.front() == '#') return false;
  for (char c : link) {
    if (!IsUrlChar(c)) return false;
  }
  return true;
}

}  // namespace sweeplet
