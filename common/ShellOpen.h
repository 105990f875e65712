#pragma once
#include <string_view>

namespace sweeplet {

// Opens a link or file with the shell's "open" verb. The one way the program opens links; failures are ignored.
void ShellOpen(std::wstring_view target) noexcept;

}  // namespace sweeplet
