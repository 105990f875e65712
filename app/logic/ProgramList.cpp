#include "app/logic/ProgramList.h"

namespace sweeplet {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == 0x3000; }

ProgramListError CheckName(std::wstring_view name) {
  if (name.size() > kMaxProgramNameLength) return ProgramListError::TooLong;
  for (const wchar_t c : name) {
    if (c == L'\\' || c == L'/' || c == L':') return ProgramListError::PathSeparator;
    if (c == L'*' || c == L'?') return ProgramListError::Wildcard;
    if (c < 0x20 || c == L'<' || c == L'>' || c == L'"' || c == L'|') return ProgramListError::BadCharacter;
  }
  // "." and ".." name folders, and a name cannot end in a dot.
  if (name.back() == L'.') return ProgramListError::BadCharacter;
  return ProgramListError::None;
}

}  // namespace

ProgramList ParseProgramList(std::wstring_view text) {
  ProgramList list;
  while (!text.empty()) {
    const size_t end = text.find(L';');
    std::wstring_view name = text.substr(0, end);
    text.remove_prefix(end == std::wstring_view::npos ? text.size() : end + 1);
    while (!name.empty() && IsBlank(name.front())) name.remove_prefix(1);
    while (!name.empty() && IsBlank(name.back())) name.remove_suffix(1);
    if (name.empty()) continue;
    if (const ProgramListError error = CheckName(name); error != ProgramListError::None) {
      // The offending name as typed, but never more than a line's worth of it.
      return {{}, error, std::wstring(name.substr(0, 64))};
    }
    if (list.names.size() == kMaxPausePrograms) return {{}, ProgramListError::TooMany, {}};
    list.names.emplace_back(name);
  }
  return list;
}

std::wstring JoinProgramList(const std::vector<std::wstring>& names) {
  std::wstring text;
  for (const std::wstring& name : names) {
    if (!text.empty()) text += L"; ";
    text += name;
  }
  return text;
}

}  // namespace sweeplet
