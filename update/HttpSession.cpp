#include "update/HttpSession.h"

namespace sweeplet {
namespace {

// A null bypass list rather than an empty one: WinHTTP takes an empty string as a list.
const wchar_t* BypassOrNull(const ProxySetting& setting) noexcept {
  return setting.bypass.empty() ? WINHTTP_NO_PROXY_BYPASS : setting.bypass.c_str();
}

// Before 8.1: the user's own proxy settings, read and applied by hand.
HINTERNET OpenWithUserProxy(IHttpSessionSystem& system, std::wstring_view url,
                            std::optional<ProxySetting>& requestProxy) {
  std::optional<UserProxyConfig> user = system.UserProxy();
  if (user && (user->autoDetect || !user->configUrl.empty())) {
    const std::wstring address(url);  // made before the session, so that nothing can throw while it is open
    HINTERNET session = system.Open(WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS);
    if (!session) return nullptr;
    std::optional<ProxySetting> found = system.ProxyForUrl(session, address, user->autoDetect, user->configUrl);
    if (!found) found = std::move(user->manual);
    if (!found->proxy.empty()) requestProxy = std::move(*found);
    return session;
  }
  if (user && !user->manual.proxy.empty()) {
    return system.Open(WINHTTP_ACCESS_TYPE_NAMED_PROXY, user->manual.proxy.c_str(), BypassOrNull(user->manual));
  }
  return system.Open(WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS);
}

}  // namespace

bool IsWindows81OrLater(WindowsVersion version) noexcept {
  return version.major > 6 || (version.major == 6 && version.minor >= 3);
}

HINTERNET OpenHttpSession(IHttpSessionSystem& system, std::wstring_view url,
                          std::optional<ProxySetting>& requestProxy) noexcept {
  try {
    requestProxy.reset();
    const bool modern = IsWindows81OrLater(system.Version());
    if (modern) {
      if (HINTERNET session =
              system.Open(WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS)) {
        return session;
      }
      // Refused all the same (a system that claims a version it is not): the user's settings by hand.
    }
    HINTERNET session = OpenWithUserProxy(system, url, requestProxy);
    // Only where 1.2 is missing: later defaults may hold more (TLS 1.3) than this list.
    // Refused by a system without the TLS 1.2 update: its defaults stay, and so does the request.
    if (session && !modern) system.SetSecureProtocols(session, kSecureProtocols);
    return session;
  } catch (...) {
    requestProxy.reset();
    return nullptr;
  }
}

}  // namespace sweeplet
