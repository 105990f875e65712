#pragma once
#include <string_view>

namespace sweeplet {

// Opens a link or file with the shell's "open" verb. The one way the program opens links; failures are ignored.
void ShellOpen(std::wstring_view target) noexcept;

// Whatever opens links for the window and the update service: ShellOpen in the program, a recorder in tests.
class ILinkOpener {
 public:
  virtual ~ILinkOpener() = default;
  virtual void Open(std::wstring_view target) noexcept = 0;
};

// ShellOpen behind the interface; holds no state and may be used from any thread.
ILinkOpener& ShellLinkOpener() noexcept;

}  // namespace sweeplet
