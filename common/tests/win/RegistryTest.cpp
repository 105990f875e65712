#include "common/Registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/UniqueHandle.h"

namespace sweeplet {
namespace {

using Bytes = std::vector<BYTE>;

Bytes Utf16(std::wstring_view text, size_t extraBytes = 0) {
  const auto* p = reinterpret_cast<const BYTE*>(text.data());
  Bytes bytes(p, p + text.size() * sizeof(wchar_t));
  bytes.resize(bytes.size() + extraBytes, 0x41);
  return bytes;
}

// A scratch key of this run's own, deleted with everything in it at the end.
class RegistryStringTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = L"Software\\SweepletTest-" + std::to_wstring(::GetCurrentProcessId());
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(),
                                nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    key_.reset();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
  }
  void Set(const wchar_t* name, DWORD type, const Bytes& data) {
    ASSERT_EQ(::RegSetValueExW(key_.get(), name, 0, type, data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
  }

  std::wstring path_;
  UniqueKey key_;
};

struct Case {
  const char* what;
  DWORD type;
  Bytes data;
  RegistryRead expected;
  std::wstring text;  // what is read on kFound
};

TEST_F(RegistryStringTest, ReadsWhatTheDataHolds) {
  // Terminated, so that the size the registry reports is the size stored.
  const std::wstring longest(kMaxRegistryStringBytes / sizeof(wchar_t) - 1, L'x');
  const std::vector<Case> cases = {
      {"terminated", REG_SZ, Utf16(std::wstring(L"hello", 6)), RegistryRead::kFound, L"hello"},
      {"not terminated", REG_SZ, Utf16(L"abc"), RegistryRead::kFound, L"abc"},
      {"odd byte count", REG_SZ, Utf16(L"ab", 1), RegistryRead::kFound, L"ab"},
      {"stops at the first NUL", REG_SZ, Utf16(std::wstring(L"ab\0cd\0", 6)), RegistryRead::kFound, L"ab"},
      {"no data", REG_SZ, Bytes(), RegistryRead::kFound, L""},
      {"expandable, not expanded", REG_EXPAND_SZ, Utf16(std::wstring(L"%TEMP%\\x", 9)), RegistryRead::kFound,
       L"%TEMP%\\x"},
      {"at the limit", REG_SZ, Utf16(longest + L'\0'), RegistryRead::kFound, longest},
      {"beyond the limit", REG_SZ, Utf16(longest + L"y" + L'\0'), RegistryRead::kFailed, L""},
      {"a number", REG_DWORD, Bytes{1, 0, 0, 0}, RegistryRead::kWrongType, L""},
      {"binary", REG_BINARY, Utf16(L"abc"), RegistryRead::kWrongType, L""},
      {"several strings", REG_MULTI_SZ, Utf16(std::wstring(L"a\0b\0\0", 5)), RegistryRead::kWrongType, L""},
  };
  for (const Case& c : cases) {
    Set(L"value", c.type, c.data);
    std::wstring text = L"untouched";
    EXPECT_EQ(ReadRegistryString(key_.get(), L"value", text), c.expected) << c.what;
    // Compared as a whole, not printed: one case is 32767 characters long.
    EXPECT_TRUE(text == (c.expected == RegistryRead::kFound ? c.text : L"untouched")) << c.what;
  }
}

TEST_F(RegistryStringTest, TellsMissingFromFailed) {
  std::wstring text = L"untouched";
  EXPECT_EQ(ReadRegistryString(key_.get(), L"absent", text), RegistryRead::kMissing);
  Set(L"present", REG_SZ, Utf16(L"x"));

  // A key that may be written but not read: the value is there, the read still fails.
  UniqueKey writeOnly;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_SET_VALUE, writeOnly.put()), ERROR_SUCCESS);
  EXPECT_EQ(ReadRegistryString(writeOnly.get(), L"present", text), RegistryRead::kFailed);
  EXPECT_EQ(ReadRegistryString(nullptr, L"present", text), RegistryRead::kFailed);
  EXPECT_EQ(text, L"untouched");
}

}  // namespace
}  // namespace sweeplet
