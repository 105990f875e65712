#include "memory/Privilege.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/UniqueHandle.h"

namespace sweeplet {
namespace {

HANDLE const kToken = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x4242));

// Plays the token calls; keeps its own last-error code the way the system keeps the thread's.
class FakeToken : public ITokenApi {
 public:
  bool openSucceeds = true;
  bool knowsName = true;
  bool holdsPrivilege = true;
  bool throwOnLookup = false;
  LUID luid{0x1234, 7};

  DWORD lastError = 0xDEAD;  // left over from something earlier
  std::vector<std::string> calls;
  DWORD openAccess = 0;
  std::wstring lookedUp;
  TOKEN_PRIVILEGES request{};
  DWORD previousLength = 0;
  DWORD returnLengthOnEntry = 99;
  std::vector<HANDLE> closed;

  BOOL OpenProcessToken(DWORD access, HANDLE* token) override {
    calls.push_back("open");
    openAccess = access;
    if (!openSucceeds) {
      lastError = ERROR_ACCESS_DENIED;
      return FALSE;
    }
    *token = kToken;
    return TRUE;
  }
  BOOL LookupPrivilege(const wchar_t* name, LUID* out) override {
    calls.push_back("lookup");
    lookedUp = name;
    if (throwOnLookup) throw std::runtime_error("lookup");
    if (!knowsName) {
      lastError = ERROR_NO_SUCH_PRIVILEGE;
      return FALSE;
    }
    *out = luid;
    return TRUE;
  }
  BOOL AdjustPrivileges(HANDLE token, TOKEN_PRIVILEGES* req, DWORD prevLength, TOKEN_PRIVILEGES* prev,
                        DWORD* returnLength) override {
    calls.push_back("adjust");
    EXPECT_EQ(token, kToken);
    EXPECT_NE(prev, nullptr);
    request = *req;
    previousLength = prevLength;
    returnLengthOnEntry = *returnLength;
    lastError = holdsPrivilege ? ERROR_SUCCESS : ERROR_NOT_ALL_ASSIGNED;
    return TRUE;  // succeeds even when nothing was assigned
  }
  void CloseToken(HANDLE token) override {
    calls.push_back("close");
    closed.push_back(token);
  }
  DWORD LastError() override { return lastError; }
};

using Calls = std::vector<std::string>;

TEST(EnablePrivilege, EnablesAHeldPrivilege) {
  FakeToken api;
  EXPECT_TRUE(EnablePrivilege(kIncreaseQuotaPrivilege, true, api));
  EXPECT_EQ(api.calls, (Calls{"open", "lookup", "adjust", "close"}));
  EXPECT_EQ(api.openAccess, 0x28u);
  EXPECT_EQ(api.lookedUp, L"SeIncreaseQuotaPrivilege");
  EXPECT_EQ(api.request.PrivilegeCount, 1u);
  EXPECT_EQ(api.request.Privileges[0].Luid.LowPart, 0x1234u);
  EXPECT_EQ(api.request.Privileges[0].Luid.HighPart, 7);
  EXPECT_EQ(api.request.Privileges[0].Attributes, 2u);
  EXPECT_EQ(api.previousLength, 16u);
  EXPECT_EQ(api.returnLengthOnEntry, 0u);
  EXPECT_EQ(api.closed, std::vector<HANDLE>{kToken});
}

TEST(EnablePrivilege, DisablingSendsAttributeZero) {
  FakeToken api;
  EXPECT_TRUE(EnablePrivilege(kProfileSingleProcessPrivilege, false, api));
  EXPECT_EQ(api.request.Privileges[0].Attributes, 0u);
}

TEST(EnablePrivilege, PrivilegeNotHeldIsFalseThoughTheCallSucceeded) {
  FakeToken api;
  api.holdsPrivilege = false;
  EXPECT_FALSE(EnablePrivilege(kIncreaseQuotaPrivilege, true, api));
  EXPECT_EQ(api.closed, std::vector<HANDLE>{kToken});
}

TEST(EnablePrivilege, UnknownNameIsFalseAndTheTokenIsClosed) {
  FakeToken api;
  api.knowsName = false;
  EXPECT_FALSE(EnablePrivilege(L"SeNoSuchThingPrivilege", true, api));
  EXPECT_EQ(api.calls, (Calls{"open", "lookup", "close"}));
  EXPECT_EQ(api.closed, std::vector<HANDLE>{kToken});
}

TEST(EnablePrivilege, TokenThatCannotBeOpenedIsFalseAndNothingIsClosed) {
  FakeToken api;
  api.openSucceeds = false;
  EXPECT_FALSE(EnablePrivilege(kIncreaseQuotaPrivilege, true, api));
  EXPECT_EQ(api.calls, (Calls{"open"}));
}

TEST(EnablePrivilege, ExceptionIsDroppedAndTheTokenStillClosed) {
  FakeToken api;
  api.throwOnLookup = true;
  api.lastError = ERROR_SUCCESS;
  EXPECT_TRUE(EnablePrivilege(kIncreaseQuotaPrivilege, true, api));  // the answer is the last-error code
  EXPECT_EQ(api.calls, (Calls{"open", "lookup", "close"}));
  api = FakeToken{};
  api.throwOnLookup = true;
  EXPECT_FALSE(EnablePrivilege(kIncreaseQuotaPrivilege, true, api));
}

TEST(EnablePrivilegeOnTheSystem, UnknownNameIsFalse) {
  EXPECT_FALSE(EnablePrivilege(L"SeNoSuchThingPrivilege", true, SystemTokenApi()));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_NO_SUCH_PRIVILEGE));
}

// The privilege's attributes in this process's token; nothing when the token does not hold it.
std::optional<DWORD> TokenAttributes(const wchar_t* name) {
  LUID luid{};
  HANDLE raw = nullptr;
  if (!::LookupPrivilegeValueW(nullptr, name, &luid) ||
      !::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) {
    ADD_FAILURE() << "cannot read the process token";
    return std::nullopt;
  }
  UniqueHandle token(raw);
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &size);
  std::vector<DWORD> buffer(size / sizeof(DWORD) + 1);  // DWORD-aligned, as TOKEN_PRIVILEGES needs
  if (!::GetTokenInformation(token.get(), TokenPrivileges, buffer.data(), size, &size)) {
    ADD_FAILURE() << "cannot read the token's privileges";
    return std::nullopt;
  }
  const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    const LUID_AND_ATTRIBUTES& p = privileges->Privileges[i];
    if (p.Luid.LowPart == luid.LowPart && p.Luid.HighPart == luid.HighPart) return p.Attributes;
  }
  return std::nullopt;
}

bool Enabled(std::optional<DWORD> attributes) {
  return attributes && (*attributes & SE_PRIVILEGE_ENABLED) != 0;
}

class PrivilegeOfTheProcess : public ::testing::TestWithParam<const wchar_t*> {};

// Whether the token holds the privilege depends on the account; the answer must match the token
// either way, and the token must be in the state asked for.
TEST_P(PrivilegeOfTheProcess, AnswerMatchesTheToken) {
  const wchar_t* name = GetParam();
  const std::optional<DWORD> before = TokenAttributes(name);

  const bool enabled = EnablePrivilege(name, true, SystemTokenApi());
  const DWORD error = ::GetLastError();
  const std::optional<DWORD> after = TokenAttributes(name);
  EXPECT_EQ(enabled, after.has_value());
  if (!after) {
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED));
    return;
  }
  EXPECT_TRUE(Enabled(after));

  EXPECT_TRUE(EnablePrivilege(name, false, SystemTokenApi()));
  EXPECT_FALSE(Enabled(TokenAttributes(name)));

  EnablePrivilege(name, Enabled(before), SystemTokenApi());  // the token as the test found it
  EXPECT_EQ(Enabled(TokenAttributes(name)), Enabled(before));
}

INSTANTIATE_TEST_SUITE_P(PurgePrivileges, PrivilegeOfTheProcess,
                         ::testing::Values(kIncreaseQuotaPrivilege, kProfileSingleProcessPrivilege));

}  // namespace
}  // namespace sweeplet
