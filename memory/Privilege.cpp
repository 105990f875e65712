#include "memory/Privilege.h"

#include "common/UniqueHandle.h"

namespace sweeplet {

namespace {

constexpr DWORD kTokenAccess = TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY;
static_assert(kTokenAccess == 0x28);
static_assert(sizeof(TOKEN_PRIVILEGES) == 16);

class SystemToken final : public ITokenApi {
 public:
  BOOL OpenProcessToken(DWORD access, HANDLE* token) override {
    return ::OpenProcessToken(::GetCurrentProcess(), access, token);
  }
  BOOL LookupPrivilege(const wchar_t* name, LUID* luid) override { return ::LookupPrivilegeValueW(nullptr, name, luid); }
  BOOL AdjustPrivileges(HANDLE token, TOKEN_PRIVILEGES* request, DWORD previousStateLength,
                        TOKEN_PRIVILEGES* previousState, DWORD* returnLength) override {
    return ::AdjustTokenPrivileges(token, FALSE, request, previousStateLength, previousState, returnLength);
  }
  void CloseToken(HANDLE token) override {
    UniqueHandle owned(token);  // closes keeping the last-error code
  }
  DWORD LastError() override { return ::GetLastError(); }
};

// Closes the token through the same api that opened it, whichever way the scope is left.
class TokenGuard {
 public:
  explicit TokenGuard(ITokenApi& api) noexcept : api_(api) {}
  TokenGuard(const TokenGuard&) = delete;
  TokenGuard& operator=(const TokenGuard&) = delete;
  ~TokenGuard() {
    if (token_) api_.CloseToken(token_);
  }
  HANDLE* put() noexcept { return &token_; }
  HANDLE get() const noexcept { return token_; }

 private:
  ITokenApi& api_;
  HANDLE token_ = nullptr;
};

}  // namespace

ITokenApi& SystemTokenApi() noexcept {
  static SystemToken api;
  return api;
}

bool EnablePrivilege(const wchar_t* name, bool enable, ITokenApi& api) noexcept {
  try {
    TokenGuard token(api);
    if (api.OpenProcessToken(kTokenAccess, token.put()) && token.get()) {
      LUID luid{};
      if (api.LookupPrivilege(name, &luid)) {
        TOKEN_PRIVILEGES request{};
        request.PrivilegeCount = 1;
        request.Privileges[0].Luid = luid;
        request.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
        TOKEN_PRIVILEGES previous{};
        DWORD returnLength = 0;
        // Its own result says only that the call ran; whether the privilege was assigned is in
        // the last-error code (ERROR_NOT_ALL_ASSIGNED when the token lacks it), read below.
        api.AdjustPrivileges(token.get(), &request, sizeof previous, &previous, &returnLength);
      }
    }
  } catch (...) {
    // Dropped: the answer still comes from the last-error code.
  }
  try {
    return api.LastError() == ERROR_SUCCESS;
  } catch (...) {
    return false;
  }
}

}  // namespace sweeplet
