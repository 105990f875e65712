#pragma once
// Enabling a privilege in the process's own token. The purge needs SeIncreaseQuotaPrivilege and
// SeProfileSingleProcessPrivilege, which an elevated token holds but does not enable.
#include <windows.h>

namespace sweeplet {

inline constexpr wchar_t kIncreaseQuotaPrivilege[] = L"SeIncreaseQuotaPrivilege";
inline constexpr wchar_t kProfileSingleProcessPrivilege[] = L"SeProfileSingleProcessPrivilege";

// The token calls. The program uses SystemTokenApi(); tests play the token, so that every path
// can be shown to close it.
class ITokenApi {
 public:
  virtual ~ITokenApi() = default;
  virtual BOOL OpenProcessToken(DWORD access, HANDLE* token) = 0;
  virtual BOOL LookupPrivilege(const wchar_t* name, LUID* luid) = 0;
  virtual BOOL AdjustPrivileges(HANDLE token, TOKEN_PRIVILEGES* request, DWORD previousStateLength,
                                TOKEN_PRIVILEGES* previousState, DWORD* returnLength) = 0;
  // Must leave the thread's last-error code as it was.
  virtual void CloseToken(HANDLE token) = 0;
  virtual DWORD LastError() = 0;
};

// The real calls of this process.
ITokenApi& SystemTokenApi() noexcept;

// Enables (or disables) one privilege by its system name. True when the privilege is now in
// the requested state; false when the token could not be opened, the name is unknown or the
// token does not hold the privilege.
bool EnablePrivilege(const wchar_t* name, bool enable, ITokenApi& api) noexcept;

}  // namespace sweeplet
