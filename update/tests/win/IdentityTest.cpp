#include "update/Identity.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "common/UniqueHandle.h"

namespace sweeplet {
namespace {

constexpr wchar_t kKey[] = L"Software\\Orvane";
constexpr wchar_t kValue[] = L"ZelUID";

struct RawValue {
  DWORD type = 0;
  std::vector<BYTE> bytes;
};

UniqueKey OpenVendorKey() {
  UniqueKey key;
  ::RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, key.put(), nullptr);
  return key;
}

std::optional<RawValue> ReadRaw() {
  UniqueKey key = OpenVendorKey();
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExW(key.get(), kValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
  RawValue raw{type, std::vector<BYTE>(size)};
  ::RegQueryValueExW(key.get(), kValue, nullptr, &type, raw.bytes.data(), &size);
  raw.bytes.resize(size);
  return raw;
}

void WriteRaw(const RawValue& raw) {
  UniqueKey key = OpenVendorKey();
  ::RegSetValueExW(key.get(), kValue, 0, raw.type, raw.bytes.data(), static_cast<DWORD>(raw.bytes.size()));
}

void WriteString(const std::wstring& text) {
  const auto* p = reinterpret_cast<const BYTE*>(text.c_str());
  WriteRaw(RawValue{REG_SZ, std::vector<BYTE>(p, p + (text.size() + 1) * sizeof(wchar_t))});
}

void DeleteValue() {
  UniqueKey key = OpenVendorKey();
  ::RegDeleteValueW(key.get(), kValue);
}

// The process's current-user hive is a scratch key (ScratchHiveEnvironment.cpp): the user's own
// identifier is out of reach, and each test starts without a stored one.
class ClientIdTest : public ::testing::Test {
 protected:
  void SetUp() override { DeleteValue(); }
  void TearDown() override { DeleteValue(); }
};

TEST_F(ClientIdTest, MadeOnceStoredAsStringAndKept) {
  DeleteValue();
  const std::wstring id = GetClientId();
  ASSERT_EQ(id.size(), 32u);
  for (wchar_t c : id) EXPECT_TRUE((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F')) << static_cast<int>(c);
  // Date and time runs are plain digits.
  for (size_t i : {8, 9, 10, 11, 12, 13, 18, 19, 20, 21, 22, 23}) EXPECT_TRUE(iswdigit(id[i])) << i;

  const auto stored = ReadRaw();
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(stored->bytes.data())), id);
  EXPECT_EQ(GetClientId(), id);
}

TEST_F(ClientIdTest, AnExistingValueIsReturnedAsItIsAndNeverReplaced) {
  for (const std::wstring existing : {L"", L"abc", L"not an identifier, with blanks", L"0123456789ABCDEF0123456789ABCDEF0123"}) {
    WriteString(existing);
    EXPECT_EQ(GetClientId(), existing);
    const auto stored = ReadRaw();
    ASSERT_TRUE(stored);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(stored->bytes.data())), existing);
  }
}

TEST_F(ClientIdTest, AValueThatIsNoStringGivesEmptyAndStays) {
  const DWORD number = 42;
  const auto* p = reinterpret_cast<const BYTE*>(&number);
  WriteRaw(RawValue{REG_DWORD, std::vector<BYTE>(p, p + sizeof(number))});
  EXPECT_EQ(GetClientId(), L"");
  const auto stored = ReadRaw();
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->type, static_cast<DWORD>(REG_DWORD));
}

// This test program carries the program's version resource.
TEST(AppVersionTest, ReadsTheVersionResource) {
  EXPECT_EQ(GetAppVersion(L"%d.%d.%d"), L"1.9.0");
  EXPECT_EQ(GetAppVersion(L"%d.%d.%d.%d"), L"1.9.0.0");
  EXPECT_EQ(GetAppVersion(L"v%d"), L"v1");
}

}  // namespace
}  // namespace sweeplet
