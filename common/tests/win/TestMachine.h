#pragma once
// For tests that could otherwise change the machine they run on: a current-user hive of their own,
// and the rule for tests that drive the real program against the real account.
#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>

#include "common/SystemProc.h"
#include "common/UniqueHandle.h"

namespace sweeplet::testing {

// While it lives, HKEY_CURRENT_USER of this process is a scratch key (Software\SweepletTest\Hive-<pid>
// under the real hive), so nothing the code under test does reaches the user's own values; the
// key is removed at the end. Every thread of the process sees the same redirection.
class ScratchUserHive {
 public:
  ScratchUserHive() {
    ::RegCreateKeyExW(HKEY_CURRENT_USER, Path().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(), nullptr);
    redirected_ = key_ && ::RegOverridePredefKey(HKEY_CURRENT_USER, key_.get()) == ERROR_SUCCESS;
  }
  ~ScratchUserHive() {
    if (redirected_) ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    key_.reset();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, Path().c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\SweepletTest");  // only if no other run still uses it
  }
  ScratchUserHive(const ScratchUserHive&) = delete;
  ScratchUserHive& operator=(const ScratchUserHive&) = delete;

  bool Redirected() const { return redirected_; }
  // The scratch key itself, as seen from the real hive.
  static std::wstring Path() { return L"Software\\SweepletTest\\Hive-" + std::to_wstring(::GetCurrentProcessId()); }

 private:
  UniqueKey key_;
  bool redirected_ = false;
};

// Tests that run the real program change the account they run on (its settings key, its logon
// task). They run where that is harmless: under Wine in a prefix the test scripts made for the run
// (they set SWEEPLET_THROWAWAY_PREFIX to it), or anywhere the developer opted in with
// SWEEPLET_E2E_ON_THIS_ACCOUNT=1. Empty when they may run, else the reason they may not.
// Wine's ntdll exports wine_get_version; Windows' does not. Tests that work around a gap of Wine
// skip themselves on Windows, and tests that need what Wine lacks (UAC, the Restart Manager, a
// real purge) skip themselves under Wine and run on Windows, in the CI workflow.
inline bool UnderWine() {
  using WineVersion = const char*(__cdecl*)();
  return SystemProc<WineVersion>(L"ntdll.dll", "wine_get_version") != nullptr;
}

inline std::string WhyNotOnThisMachine() {
  const char* optIn = std::getenv("SWEEPLET_E2E_ON_THIS_ACCOUNT");
  if (optIn && std::string(optIn) == "1") return {};
  if (!UnderWine()) {
    return "changes this Windows account's settings and logon task; set SWEEPLET_E2E_ON_THIS_ACCOUNT=1 to run it";
  }
  const char* throwaway = std::getenv("SWEEPLET_THROWAWAY_PREFIX");
  const char* prefix = std::getenv("WINEPREFIX");
  if (!throwaway || !*throwaway || !prefix || std::string(throwaway) != prefix) {
    return "runs only in a Wine prefix made for the test run (scripts/test sets SWEEPLET_THROWAWAY_PREFIX)";
  }
  return {};
}

}  // namespace sweeplet::testing
