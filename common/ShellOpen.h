#pragma once
// Opening links and files. The program runs elevated; whatever it opens should not be: a browser
// started from here would carry the administrator token. So a link is handed to the desktop's
// shell, which runs as the logged-on user, and only where that is not possible is it opened here.
#include <string_view>

namespace sweeplet {

// Opens a link or file with the shell's "open" verb, through the unelevated desktop shell when
// it can (DesktopShellExecutor), in this process otherwise. The one way the program opens links;
// failures are ignored.
void ShellOpen(std::wstring_view target) noexcept;

// Whatever opens links for the window and the update service: ShellOpen in the program, a recorder in tests.
class ILinkOpener {
 public:
  virtual ~ILinkOpener() = default;
  virtual void Open(std::wstring_view target) noexcept = 0;
};

// ShellOpen behind the interface; holds no state and may be used from any thread.
ILinkOpener& ShellLinkOpener() noexcept;

// One way to have the shell open a target with "open" and SW_SHOWNORMAL; false when it could not
// hand the target over.
class IShellExecutor {
 public:
  virtual ~IShellExecutor() = default;
  virtual bool Execute(std::wstring_view target) noexcept = 0;
};

// The desktop's shell view asked for its IShellDispatch2, whose ShellExecute runs in the shell's
// process, as the user. Opens a COM apartment of its own around the call. False when no shell
// with a desktop runs or any step fails.
IShellExecutor& DesktopShellExecutor() noexcept;
// ShellExecuteW in this process.
IShellExecutor& DirectShellExecutor() noexcept;

// The desktop first, this process when the desktop cannot take it.
void OpenPreferringDesktop(std::wstring_view target, IShellExecutor& desktop, IShellExecutor& direct) noexcept;

}  // namespace sweeplet
