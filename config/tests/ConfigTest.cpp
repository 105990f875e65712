#include "config/Config.h"

#include <gtest/gtest.h>
#include <sddl.h>
#include <windows.h>

#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/UniqueHandle.h"

namespace sweeplet {
namespace {

using Bytes = std::vector<BYTE>;

Bytes BytesOf(const void* p, size_t n) {
  const BYTE* b = static_cast<const BYTE*>(p);
  return Bytes(b, b + n);
}
Bytes DwordBytes(DWORD v) { return BytesOf(&v, sizeof(v)); }
// The text as stored in the registry: UTF-16 code units, optionally with a terminating NUL.
Bytes TextBytes(std::wstring_view s, bool withNul) {
  std::wstring t(s);
  return BytesOf(t.c_str(), (t.size() + (withNul ? 1 : 0)) * sizeof(wchar_t));
}

struct RawValue {
  DWORD type = REG_NONE;
  Bytes data;
  bool operator==(const RawValue&) const = default;
};

void PrintTo(const RawValue& v, std::ostream* os) {
  *os << "type " << v.type << " bytes [";
  for (BYTE b : v.data) *os << ' ' << static_cast<int>(b);
  *os << " ]";
}

// Every test works in its own key below HKCU\Software\SweepletTest and removes it afterwards,
// so tests never see each other's values nor the program's real settings.
class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string leaf = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : leaf) {
      if (c == '/') c = '_';
    }
    relPath_ = L"SweepletTest\\" + std::wstring(leaf.begin(), leaf.end()) + L"-" + std::to_wstring(::GetCurrentProcessId());
    fullPath_ = L"Software\\" + relPath_;
    ::RegDeleteTreeW(HKEY_CURRENT_USER, fullPath_.c_str());
  }
  void TearDown() override {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, fullPath_.c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\SweepletTest");  // only if no other run still uses it
  }

  UniqueKey OpenRaw(REGSAM access, const std::wstring& sub = L"") const {
    UniqueKey key;
    const std::wstring path = sub.empty() ? fullPath_ : fullPath_ + L"\\" + sub;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, access, key.put()) != ERROR_SUCCESS) key.reset();
    return key;
  }
  void SetRaw(const wchar_t* name, DWORD type, const Bytes& data) const {
    UniqueKey key;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, fullPath_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                               nullptr, key.put(), nullptr));
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(key.get(), name, 0, type, data.empty() ? nullptr : data.data(),
                                              static_cast<DWORD>(data.size())));
  }
  std::optional<RawValue> GetRaw(const wchar_t* name) const {
    UniqueKey key = OpenRaw(KEY_READ);
    if (!key) return std::nullopt;
    RawValue v;
    DWORD size = 0;
    if (::RegQueryValueExW(key.get(), name, nullptr, &v.type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    v.data.resize(size);
    if (::RegQueryValueExW(key.get(), name, nullptr, &v.type, v.data.data(), &size) != ERROR_SUCCESS) return std::nullopt;
    v.data.resize(size);
    return v;
  }
  DWORD ValueCount() const {
    UniqueKey key = OpenRaw(KEY_READ);
    DWORD values = 0;
    EXPECT_TRUE(key);
    if (key) ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                                nullptr, nullptr, nullptr);
    return values;
  }

  std::wstring relPath_;   // what the program would pass: below HKCU\Software
  std::wstring fullPath_;  // below HKCU
};

TEST_F(ConfigTest, FirstRunCreatesTheMissingKeyAndItsParentsAndEveryReadYieldsItsDefault) {
  ASSERT_FALSE(OpenRaw(KEY_READ));
  TConfig config(relPath_ + L"\\Orvane\\Sweeplet");

  UniqueKey created = OpenRaw(KEY_READ, L"Orvane\\Sweeplet");
  ASSERT_TRUE(created) << "the key and its missing parents are created";
  DWORD subKeys = 99, values = 99;
  ASSERT_EQ(ERROR_SUCCESS, ::RegQueryInfoKeyW(created.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                                              &values, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(0u, subKeys);
  EXPECT_EQ(0u, values);

  EXPECT_TRUE(config.ReadBoolean(L"enabled_usage_phys", true));
  EXPECT_FALSE(config.ReadBoolean(L"enabled_usage_phys", false));
  EXPECT_EQ(6, config.ReadInteger(L"limit_usage_phys", 6));
  EXPECT_EQ(-3, config.ReadInteger(L"limit_usage_phys", -3));
  EXPECT_EQ(L"fallback", config.ReadString(L"name", L"fallback"));
  EXPECT_EQ(L"", config.ReadString(L"name", L""));

  ASSERT_EQ(ERROR_SUCCESS, ::RegQueryInfoKeyW(created.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                              &values, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(0u, values) << "a read never creates a value";
}

TEST_F(ConfigTest, TheKeyLiesBelowTheRootGivenAndANullRootStoresNothing) {
  // The test's own key stands in for the hive.
  UniqueKey root;
  ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, fullPath_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, root.put(), nullptr));
  EXPECT_EQ(4, TConfig(L"Orvane\\Sweeplet", root.get()).WriteInteger(L"limit_minute", 4));
  DWORD stored = 0, size = sizeof(stored);
  EXPECT_EQ(ERROR_SUCCESS, ::RegGetValueW(root.get(), L"Software\\Orvane\\Sweeplet", L"limit_minute", RRF_RT_REG_DWORD,
                                          nullptr, &stored, &size));
  EXPECT_EQ(4u, stored);
  EXPECT_EQ(4, TConfig(L"Orvane\\Sweeplet", root.get()).ReadInteger(L"limit_minute", 3));

  TConfig nowhere(L"Orvane\\Sweeplet", nullptr);
  EXPECT_EQ(5, nowhere.WriteInteger(L"limit_minute", 5));
  EXPECT_EQ(3, nowhere.ReadInteger(L"limit_minute", 3));
}

TEST_F(ConfigTest, AnyNonZeroDwordReadsAsTrue) {
  const struct {
    DWORD stored;
    bool expected;
  } cases[] = {{0, false}, {1, true}, {2, true}, {0x80000000u, true}, {0xFFFFFFFFu, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    SetRaw(L"flag", REG_DWORD, DwordBytes(c.stored));
    TConfig config(relPath_);
    EXPECT_EQ(c.expected, config.ReadBoolean(L"flag", !c.expected));
    EXPECT_EQ(static_cast<std::int32_t>(c.stored), config.ReadInteger(L"flag", 12345));
  }
}

TEST_F(ConfigTest, WritesStoreExactlyTheDocumentedTypeAndBytesAndReturnTheirArgument) {
  const std::wstring korean = L"\uD55C\uAD6D\uC5B4 \u00E9";
  TConfig config(relPath_);
  EXPECT_TRUE(config.WriteBoolean(L"b_true", true));
  EXPECT_FALSE(config.WriteBoolean(L"b_false", false));
  EXPECT_EQ(6, config.WriteInteger(L"i_six", 6));
  EXPECT_EQ(-1, config.WriteInteger(L"i_minus", -1));
  EXPECT_EQ(INT_MIN, config.WriteInteger(L"i_min", INT_MIN));
  EXPECT_EQ(L"", config.WriteString(L"s_empty", L""));
  EXPECT_EQ(L"90", config.WriteString(L"s_ascii", L"90"));
  EXPECT_EQ(korean, config.WriteString(L"s_wide", korean));

  const struct {
    const wchar_t* name;
    RawValue expected;
  } cases[] = {
      {L"b_true", {REG_DWORD, {1, 0, 0, 0}}},
      {L"b_false", {REG_DWORD, {0, 0, 0, 0}}},
      {L"i_six", {REG_DWORD, {6, 0, 0, 0}}},
      {L"i_minus", {REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}}},
      {L"i_min", {REG_DWORD, {0, 0, 0, 0x80}}},
      {L"s_empty", {REG_SZ, {0, 0}}},
      {L"s_ascii", {REG_SZ, {'9', 0, '0', 0, 0, 0}}},
      {L"s_wide", {REG_SZ, TextBytes(korean, true)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << static_cast<int>(c.name[0]) << static_cast<int>(c.name[2]));
    EXPECT_EQ(std::optional<RawValue>(c.expected), GetRaw(c.name));
  }
  EXPECT_EQ(8u, ValueCount()) << "each write touches its own value only";
}

TEST_F(ConfigTest, AWriteReplacesAValueOfAnotherType) {
  SetRaw(L"limit_minute", REG_SZ, TextBytes(L"30", true));
  SetRaw(L"other", REG_SZ, TextBytes(L"keep", true));
  TConfig(relPath_).WriteInteger(L"limit_minute", 3);
  EXPECT_EQ(std::optional<RawValue>({REG_DWORD, DwordBytes(3)}), GetRaw(L"limit_minute"));
  EXPECT_EQ(std::optional<RawValue>({REG_SZ, TextBytes(L"keep", true)}), GetRaw(L"other"));
}

TEST_F(ConfigTest, ValuesReadBackAsWrittenThroughALaterInstance) {
  const std::int32_t numbers[] = {INT_MIN, -1, 0, 7, INT_MAX};
  const std::wstring texts[] = {L"", L"x", L"%TEMP%\\a b", L"\uD55C\uAD6D\uC5B4", std::wstring(5000, L'z')};
  for (std::int32_t n : numbers) {
    TConfig(relPath_).WriteInteger(L"n", n);
    EXPECT_EQ(n, TConfig(relPath_).ReadInteger(L"n", 42));
  }
  for (const auto& t : texts) {
    TConfig(relPath_).WriteString(L"s", t);
    EXPECT_EQ(t, TConfig(relPath_).ReadString(L"s", L"default"));
  }
  for (bool b : {true, false, true}) {
    TConfig(relPath_).WriteBoolean(L"b", b);
    EXPECT_EQ(b, TConfig(relPath_).ReadBoolean(L"b", !b));
  }
}

TEST_F(ConfigTest, StringReadsStopAtTheFirstNulAndAreNotExpanded) {
  Bytes embedded = TextBytes(L"ab", true);
  const Bytes tail = TextBytes(L"cd", true);
  embedded.insert(embedded.end(), tail.begin(), tail.end());
  Bytes odd = TextBytes(L"a", false);
  odd.push_back('b');  // half a code unit at the end

  const struct {
    const char* what;
    DWORD type;
    Bytes data;
    std::wstring expected;
  } cases[] = {
      {"terminated", REG_SZ, TextBytes(L"abc", true), L"abc"},
      {"without terminating NUL", REG_SZ, TextBytes(L"abc", false), L"abc"},
      {"embedded NUL", REG_SZ, embedded, L"ab"},
      {"no data at all", REG_SZ, {}, L""},
      {"only the NUL", REG_SZ, {0, 0}, L""},
      {"odd byte count", REG_SZ, odd, L"a"},
      {"expandable, left unexpanded", REG_EXPAND_SZ, TextBytes(L"%SystemRoot%\\x", true), L"%SystemRoot%\\x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetRaw(L"text", c.type, c.data);
    EXPECT_EQ(c.expected, TConfig(relPath_).ReadString(L"text", L"default"));
  }
}

// A value of another kind than the read expects is treated like a missing one: the caller's default.
TEST_F(ConfigTest, AValueOfTheWrongTypeOrWidthReadsAsTheDefault) {
  const struct {
    const char* what;
    DWORD type;
    Bytes data;
  } numberCases[] = {
      {"string holding a number", REG_SZ, TextBytes(L"5", true)},
      {"expandable string", REG_EXPAND_SZ, TextBytes(L"1", true)},
      {"64-bit number", REG_QWORD, {5, 0, 0, 0, 0, 0, 0, 0}},
      {"binary of four bytes", REG_BINARY, {5, 0, 0, 0}},
      {"DWORD of two bytes", REG_DWORD, {5, 0}},
      {"DWORD of no bytes", REG_DWORD, {}},
      {"DWORD of eight bytes", REG_DWORD, {5, 0, 0, 0, 0, 0, 0, 0}},
      {"big-endian DWORD", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 5}},
      {"no type", REG_NONE, {}},
  };
  for (const auto& c : numberCases) {
    SCOPED_TRACE(c.what);
    SetRaw(L"v", c.type, c.data);
    TConfig config(relPath_);
    EXPECT_EQ(6, config.ReadInteger(L"v", 6));
    EXPECT_EQ(-7, config.ReadInteger(L"v", -7));
    EXPECT_TRUE(config.ReadBoolean(L"v", true));
    EXPECT_FALSE(config.ReadBoolean(L"v", false));
  }

  const struct {
    const char* what;
    DWORD type;
    Bytes data;
  } stringCases[] = {
      {"DWORD", REG_DWORD, DwordBytes(0x00410041)},
      {"binary holding text", REG_BINARY, TextBytes(L"AA", true)},
      {"multi-string", REG_MULTI_SZ, TextBytes(L"AA\0", true)},
      {"no type", REG_NONE, {}},
  };
  for (const auto& c : stringCases) {
    SCOPED_TRACE(c.what);
    SetRaw(L"v", c.type, c.data);
    EXPECT_EQ(L"default", TConfig(relPath_).ReadString(L"v", L"default"));
  }
}

TEST_F(ConfigTest, APresentValueIsReadWhileTheMissingOnesYieldTheirDefaults) {
  SetRaw(L"limit_usage_phys", REG_DWORD, DwordBytes(0));
  SetRaw(L"enabled_usage_page", REG_DWORD, DwordBytes(1));
  TConfig config(relPath_);
  EXPECT_EQ(0, config.ReadInteger(L"limit_usage_phys", 6));
  EXPECT_EQ(6, config.ReadInteger(L"limit_usage_page", 6));
  EXPECT_EQ(3, config.ReadInteger(L"limit_minute", 3));
  EXPECT_TRUE(config.ReadBoolean(L"enabled_usage_page", false));
  EXPECT_FALSE(config.ReadBoolean(L"enabled_usage_phys", false));
  EXPECT_FALSE(config.ReadBoolean(L"cleanontray", false));
  EXPECT_EQ(L"", config.ReadString(L"absent", L""));
}

TEST_F(ConfigTest, NothingIsCachedAndInstancesOpenAtTheSameTimeDoNotInterfere) {
  TConfig reader(relPath_);
  EXPECT_EQ(6, reader.ReadInteger(L"limit_usage_work", 6));
  {
    TConfig writer(relPath_);
    writer.WriteInteger(L"limit_usage_work", 2);
  }
  EXPECT_EQ(2, reader.ReadInteger(L"limit_usage_work", 6)) << "the reader sees a value written while it was open";
  SetRaw(L"limit_usage_work", REG_DWORD, DwordBytes(4));
  EXPECT_EQ(4, reader.ReadInteger(L"limit_usage_work", 6));
  reader.WriteBoolean(L"cleanontray", true);
  EXPECT_TRUE(TConfig(relPath_).ReadBoolean(L"cleanontray", false));
}

// A key that exists but refuses full access (here: its DACL allows reading only) cannot be opened the
// way the store opens it. Values already there then read as defaults and writes store nothing.
TEST_F(ConfigTest, AKeyThatRefusesFullAccessYieldsDefaultsAndSwallowsWrites) {
  SetRaw(L"limit_usage_phys", REG_DWORD, DwordBytes(0));
  SetRaw(L"name", REG_SZ, TextBytes(L"stored", true));
  {
    UniqueKey key = OpenRaw(WRITE_DAC);
    ASSERT_TRUE(key);
    PSECURITY_DESCRIPTOR sd = nullptr;
    // Everyone may read; nobody may write or create.
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KR;;;WD)", SDDL_REVISION_1, &sd, nullptr));
    const LSTATUS st = ::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, sd);
    ::LocalFree(sd);
    ASSERT_EQ(ERROR_SUCCESS, st);
  }
  {
    UniqueKey probe;
    const LSTATUS st = ::RegOpenKeyExW(HKEY_CURRENT_USER, fullPath_.c_str(), 0, KEY_ALL_ACCESS, probe.put());
    if (st == ERROR_SUCCESS) probe.reset();
    ASSERT_EQ(ERROR_ACCESS_DENIED, st) << "the key should refuse full access";
  }

  {
    TConfig config(relPath_);
    EXPECT_EQ(6, config.ReadInteger(L"limit_usage_phys", 6));
    EXPECT_TRUE(config.ReadBoolean(L"limit_usage_phys", true));
    EXPECT_EQ(L"default", config.ReadString(L"name", L"default"));
    EXPECT_EQ(5, config.WriteInteger(L"limit_usage_phys", 5));
    EXPECT_TRUE(config.WriteBoolean(L"cleanontray", true));
    EXPECT_EQ(L"new", config.WriteString(L"name", L"new"));
  }
  EXPECT_EQ(std::optional<RawValue>({REG_DWORD, DwordBytes(0)}), GetRaw(L"limit_usage_phys"));
  EXPECT_EQ(std::optional<RawValue>({REG_SZ, TextBytes(L"stored", true)}), GetRaw(L"name"));
  EXPECT_EQ(std::nullopt, GetRaw(L"cleanontray"));

  // Give the key back full access so that it can be removed.
  UniqueKey key = OpenRaw(WRITE_DAC);
  ASSERT_TRUE(key);
  PSECURITY_DESCRIPTOR sd = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;OICI;KA;;;WD)", SDDL_REVISION_1, &sd, nullptr));
  ::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, sd);
  ::LocalFree(sd);
}

}  // namespace
}  // namespace sweeplet
