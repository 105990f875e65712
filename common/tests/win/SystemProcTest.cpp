#include "common/SystemProc.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <string>

#include "common/ModulePath.h"

namespace sweeplet {
namespace {

using GetCurrentProcessIdFn = DWORD(WINAPI*)();

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  return Lower(std::wstring(folder, length)) + L"\\";
}

TEST(SystemProc, FindsAKnownExportThatCallsThrough) {
  const auto fn = SystemProc<GetCurrentProcessIdFn>(L"kernel32.dll", "GetCurrentProcessId");
  ASSERT_NE(fn, nullptr);
  EXPECT_EQ(fn(), ::GetCurrentProcessId());
  EXPECT_EQ(SystemProc<GetCurrentProcessIdFn>(::GetModuleHandleW(L"kernel32.dll"), "GetCurrentProcessId"), fn);
}

TEST(SystemProc, IsNullForWhatIsNotThere) {
  EXPECT_EQ(SystemProc<GetCurrentProcessIdFn>(L"kernel32.dll", "NoSuchFunctionAnywhere"), nullptr);
  EXPECT_EQ(SystemProc<GetCurrentProcessIdFn>(L"sweeplet-no-such-module.dll", "GetCurrentProcessId"), nullptr);
  EXPECT_EQ(SystemProc<GetCurrentProcessIdFn>(static_cast<HMODULE>(nullptr), "GetCurrentProcessId"), nullptr);
  EXPECT_EQ(SystemProc<GetCurrentProcessIdFn>(L"kernel32.dll", nullptr), nullptr);
}

TEST(SystemModule, LoadsFromTheSystemFolder) {
  const UniqueModule version = SystemModule(L"version.dll");
  ASSERT_TRUE(version);
  EXPECT_EQ(Lower(ModulePath(version.get())), SystemFolder() + L"version.dll");
  EXPECT_NE(SystemProc<GetCurrentProcessIdFn>(version.get(), "GetFileVersionInfoSizeW"), nullptr);
}

TEST(SystemModule, RefusesPathsAndMissingFiles) {
  for (const wchar_t* name : {L"..\\version.dll", L"C:\\windows\\system32\\version.dll", L"sub/version.dll",
                              L"C:version.dll", L"", static_cast<const wchar_t*>(nullptr),
                              L"sweeplet-no-such-module.dll"}) {
    EXPECT_FALSE(SystemModule(name)) << (name ? name : L"(null)");
  }
}

}  // namespace
}  // namespace sweeplet
