#pragma once
// How the update check opens its HTTP session: which proxy and which protocols, by Windows version.
//
// - Windows 8.1 and later: WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, which follows the proxy the user's
//   browser and Windows use (set by hand, by a configuration script or found by WPAD). It does not
//   exist before 8.1.
// - Before 8.1: WINHTTP_ACCESS_TYPE_DEFAULT_PROXY reads only the proxy set with netsh, which almost
//   nobody sets. So the user's own settings are read (WinHttpGetIEProxyConfigForCurrentUser): a
//   configuration script or auto-detection is run for the URL (WinHttpGetProxyForUrl) and its answer
//   set on the request; a proxy set by hand opens the session through it; with neither, the netsh
//   proxy, as before. When the script or detection gives no answer, a proxy set by hand is used, as
//   browsers do.
// - Before 8.1 the default protocols lack TLS 1.2 (Windows 7 and 8 offer SSL 3.0 and TLS 1.0), so
//   TLS 1.0 to 1.2 are asked for with WINHTTP_OPTION_SECURE_PROTOCOLS; a system that refuses (one
//   without the TLS 1.2 update) keeps its defaults and the request goes on.
// Certificate checks are never touched: no option here lowers them.
#include <windows.h>
#include <winhttp.h>

#include <optional>
#include <string>
#include <string_view>

namespace sweeplet {

struct WindowsVersion {
  DWORD major = 0;
  DWORD minor = 0;
};

// A proxy list and its bypass list, as WinHTTP writes them; an empty proxy is a direct connection.
struct ProxySetting {
  std::wstring proxy;
  std::wstring bypass;
};

// The current user's proxy settings, as WinHttpGetIEProxyConfigForCurrentUser gives them.
struct UserProxyConfig {
  bool autoDetect = false;
  std::wstring configUrl;
  ProxySetting manual;
};

// What opening a session asks of the system; tests put a fake here.
class IHttpSessionSystem {
 public:
  virtual ~IHttpSessionSystem() = default;
  // The real version (not the one compatibility shims report).
  virtual WindowsVersion Version() noexcept = 0;
  // WinHttpOpen; proxy and bypass are null unless accessType is WINHTTP_ACCESS_TYPE_NAMED_PROXY.
  virtual HINTERNET Open(DWORD accessType, const wchar_t* proxy, const wchar_t* bypass) noexcept = 0;
  // Sets WINHTTP_OPTION_SECURE_PROTOCOLS on the session.
  virtual bool SetSecureProtocols(HINTERNET session, DWORD protocols) noexcept = 0;
  // Sets WINHTTP_OPTION_PROXY on the request: a named proxy.
  virtual bool SetProxy(HINTERNET request, const ProxySetting& proxy) noexcept = 0;
  // Nothing when the settings cannot be read.
  virtual std::optional<UserProxyConfig> UserProxy() noexcept = 0;
  // WinHttpGetProxyForUrl with auto-detection and/or the script at configUrl: the proxy for `url`
  // (empty: go direct); nothing when no script was found or it failed.
  virtual std::optional<ProxySetting> ProxyForUrl(HINTERNET session, const std::wstring& url, bool autoDetect,
                                                  const std::wstring& configUrl) noexcept = 0;
};

// The system's: winhttp.dll from the system folder and ntdll's version.
IHttpSessionSystem& SystemHttpSession() noexcept;

// TLS 1.0, 1.1 and 1.2: asked for where the defaults lack 1.2.
inline constexpr DWORD kSecureProtocols =
    WINHTTP_FLAG_SECURE_PROTOCOL_TLS1 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;

// Whether WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY exists and TLS 1.2 is on by default: 8.1 (6.3) and later.
bool IsWindows81OrLater(WindowsVersion version) noexcept;

// A session for a request to `url`, or null. `requestProxy` is set when the request itself must
// carry a proxy (the answer of a configuration script); the caller closes the session.
HINTERNET OpenHttpSession(IHttpSessionSystem& system, std::wstring_view url,
                          std::optional<ProxySetting>& requestProxy) noexcept;

}  // namespace sweeplet
