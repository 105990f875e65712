#pragma once
// The programs that pause automatic cleaning while they run: a list of executable names as the
// user types it ("game.exe; vm.exe"), checked whole before anything of it is kept.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sweeplet {

inline constexpr std::size_t kMaxPausePrograms = 32;
inline constexpr std::size_t kMaxProgramNameLength = 260;

enum class ProgramListError { None, PathSeparator, Wildcard, BadCharacter, TooMany, TooLong };

struct ProgramList {
  std::vector<std::wstring> names;  // trimmed, in the order given, without empty entries
  ProgramListError error = ProgramListError::None;
  std::wstring offending;  // the name that broke a rule (empty for TooMany)
};

// Splits at ';' and trims blanks around each name. A name is a file name alone: no folder (no
// '\', '/' or ':'), no wildcard ('*', '?'), none of the other characters a file name cannot hold,
// at most 260 characters; at most 32 names. On an error `names` is empty.
ProgramList ParseProgramList(std::wstring_view text);

// The names as the field shows them and the settings store keep them: "a.exe; b.exe".
std::wstring JoinProgramList(const std::vector<std::wstring>& names);

}  // namespace sweeplet
