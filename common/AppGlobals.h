#pragma once
// Program-wide constants: product identity, the maker's hosts and the build flavour.

namespace sweeplet {

// True only in a debug build configuration (SWEEPLET_DEBUG_BUILD); the delivered program has it false.
#ifdef SWEEPLET_DEBUG_BUILD
inline constexpr bool DebugBuild = true;
#else
inline constexpr bool DebugBuild = false;
#endif

// The maker's web hosts: links opened in the browser, and the update service.
inline constexpr char kLinkHost[] = "www.orvane.net";
inline constexpr char kUpdateHost[] = "update.orvane.net";
inline constexpr char kUpdatePath[] = "/api.init.php";

// Instance name: window class of the main window and name of the instance mutex.
inline constexpr wchar_t kInstanceName[] = L"TFrmSweeplet";
// The scheduled task that starts the program at logon.
inline constexpr wchar_t kLogonTaskName[] = L"SweepletTaskMachine";
// Settings key below HKEY_CURRENT_USER\Software.
inline constexpr wchar_t kSettingsPath[] = L"Orvane\\Sweeplet";

}  // namespace sweeplet
