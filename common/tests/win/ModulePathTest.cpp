#include "common/ModulePath.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace sweeplet {
namespace {

TEST(ModulePath, IsThisExecutableWhole) {
  std::wstring expected(kLongestPath, L'\0');
  expected.resize(::GetModuleFileNameW(nullptr, expected.data(), static_cast<DWORD>(expected.size())));
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(ModulePath(), expected);
  EXPECT_EQ(ModulePath(::GetModuleHandleW(nullptr)), expected);
  EXPECT_EQ(ModulePath().substr(ModulePath().find_last_of(L'\\') + 1), L"common_win_test.exe");
}

TEST(ModulePath, NamesALoadedDll) {
  const std::wstring path = ModulePath(::GetModuleHandleW(L"kernel32.dll"));
  ASSERT_GT(path.size(), 12u);
  EXPECT_EQ(_wcsicmp(path.substr(path.size() - 13).c_str(), L"\\kernel32.dll"), 0) << path;
}

TEST(ModulePath, IsEmptyForWhatIsNoModule) {
  // Heap memory lies in no module.
  const auto notAModule = std::make_unique<char[]>(64);
  EXPECT_EQ(ModulePath(reinterpret_cast<HMODULE>(notAModule.get())), L"");
}

}  // namespace
}  // namespace sweeplet
