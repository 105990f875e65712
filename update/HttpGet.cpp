#include "update/HttpGet.h"

#include <windows.h>
#include <winhttp.h>

#include "common/SystemProc.h"
#include "common/UniqueHandle.h"
#include "common/Utf.h"
#include "update/HttpSession.h"

namespace sweeplet {
namespace {

// winhttp.dll is no known DLL: imported, it would be taken from beside the executable. Loaded from
// the system folder at the first request and never freed, not even by the exit-time destructors:
// its own threads may outlive a closed session, and a request on a detached thread (the hold
// request, a stopped check) may still be inside it while the process ends.
struct WinHttp {
  HMODULE module = SystemModule(L"winhttp.dll").release();
#define SWEEPLET_WINHTTP(name) decltype(&::name) name = SystemProc<decltype(&::name)>(module, #name)
  SWEEPLET_WINHTTP(WinHttpCrackUrl);
  SWEEPLET_WINHTTP(WinHttpOpen);
  SWEEPLET_WINHTTP(WinHttpConnect);
  SWEEPLET_WINHTTP(WinHttpOpenRequest);
  SWEEPLET_WINHTTP(WinHttpAddRequestHeaders);
  SWEEPLET_WINHTTP(WinHttpSendRequest);
  SWEEPLET_WINHTTP(WinHttpReceiveResponse);
  SWEEPLET_WINHTTP(WinHttpQueryDataAvailable);
  SWEEPLET_WINHTTP(WinHttpReadData);
  SWEEPLET_WINHTTP(WinHttpQueryHeaders);
  SWEEPLET_WINHTTP(WinHttpCloseHandle);
  // Used where present; without them the request goes out with the session's proxy and protocols.
  SWEEPLET_WINHTTP(WinHttpSetOption);
  SWEEPLET_WINHTTP(WinHttpGetIEProxyConfigForCurrentUser);
  SWEEPLET_WINHTTP(WinHttpGetProxyForUrl);
#undef SWEEPLET_WINHTTP

  bool Complete() const noexcept {
    return WinHttpCrackUrl && WinHttpOpen && WinHttpConnect && WinHttpOpenRequest && WinHttpAddRequestHeaders &&
           WinHttpSendRequest && WinHttpReceiveResponse && WinHttpQueryDataAvailable && WinHttpReadData &&
           WinHttpQueryHeaders && WinHttpCloseHandle;
  }
};

// An internet handle closed through the table it came from (which outlives it).
class UniqueInternet {
 public:
  UniqueInternet(const WinHttp& api, HINTERNET handle) noexcept : api_(api), handle_(handle) {}
  ~UniqueInternet() {
    if (handle_) api_.WinHttpCloseHandle(handle_);
  }
  UniqueInternet(const UniqueInternet&) = delete;
  UniqueInternet& operator=(const UniqueInternet&) = delete;
  HINTERNET get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != nullptr; }

 private:
  const WinHttp& api_;
  HINTERNET handle_;
};

const WinHttp& Api() {
  static const WinHttp http;
  return http;
}

// The strings WinHTTP hands out in proxy structures are the caller's to free with GlobalFree.
void FreeGlobalString(LPWSTR text) noexcept { ::GlobalFree(text); }
using GlobalString = UniqueAny<LPWSTR, FreeGlobalString>;

std::wstring TextOf(const GlobalString& text) { return text ? std::wstring(text.get()) : std::wstring(); }

class SystemSession final : public IHttpSessionSystem {
 public:
  WindowsVersion Version() noexcept override {
    // RtlGetVersion reports the real version; GetVersionEx reports what the manifest admits to.
    using GetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto getVersion = SystemProc<GetVersionFn>(L"ntdll.dll", "RtlGetVersion");
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!getVersion || getVersion(&info) != 0) return {};
    return {info.dwMajorVersion, info.dwMinorVersion};
  }
  HINTERNET Open(DWORD accessType, const wchar_t* proxy, const wchar_t* bypass) noexcept override {
    return Api().WinHttpOpen(L"Sweeplet", accessType, proxy, bypass, 0);
  }
  bool SetSecureProtocols(HINTERNET session, DWORD protocols) noexcept override {
    return Api().WinHttpSetOption &&
           Api().WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof(protocols));
  }
  bool SetProxy(HINTERNET request, const ProxySetting& proxy) noexcept override {
    if (!Api().WinHttpSetOption) return false;
    WINHTTP_PROXY_INFO info{};
    info.dwAccessType = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
    info.lpszProxy = const_cast<LPWSTR>(proxy.proxy.c_str());
    info.lpszProxyBypass = proxy.bypass.empty() ? nullptr : const_cast<LPWSTR>(proxy.bypass.c_str());
    return Api().WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &info, sizeof(info));
  }
  std::optional<UserProxyConfig> UserProxy() noexcept override {
    try {
      if (!Api().WinHttpGetIEProxyConfigForCurrentUser) return std::nullopt;
      WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
      if (!Api().WinHttpGetIEProxyConfigForCurrentUser(&config)) return std::nullopt;
      const GlobalString configUrl(config.lpszAutoConfigUrl), proxy(config.lpszProxy), bypass(config.lpszProxyBypass);
      return UserProxyConfig{config.fAutoDetect != FALSE, TextOf(configUrl), {TextOf(proxy), TextOf(bypass)}};
    } catch (...) {
      return std::nullopt;
    }
  }
  std::optional<ProxySetting> ProxyForUrl(HINTERNET session, const std::wstring& url, bool autoDetect,
                                          const std::wstring& configUrl) noexcept override {
    try {
      if (!Api().WinHttpGetProxyForUrl) return std::nullopt;
      // Auto-detection asks DHCP through dhcpcsvc.dll, which the HTTP client loads by name on
      // demand: where the system does not restrict that search to the system folder (Wine, older
      // Windows 7), a copy beside the executable would be taken. Loaded from the system folder
      // first, and kept, a later load by name finds it.
      if (autoDetect) {
        static const HMODULE dhcp = SystemModule(L"dhcpcsvc.dll").release();
        (void)dhcp;
      }
      WINHTTP_AUTOPROXY_OPTIONS options{};
      if (autoDetect) {
        options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
      }
      if (!configUrl.empty()) {
        options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = configUrl.c_str();
      }
      // fAutoLogonIfChallenged stays off: a script server found on the network (WPAD) that asks
      // for a logon does not get the user's credentials from an elevated program; the proxy set
      // by hand, if any, is used instead.
      WINHTTP_PROXY_INFO info{};
      if (!Api().WinHttpGetProxyForUrl(session, url.c_str(), &options, &info)) return std::nullopt;
      const GlobalString proxy(info.lpszProxy), bypass(info.lpszProxyBypass);
      if (info.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY) return ProxySetting{};
      return ProxySetting{TextOf(proxy), TextOf(bypass)};
    } catch (...) {
      return std::nullopt;
    }
  }
};

// A header line is built from text we do not fully control (the stored client identifier):
// line breaks in it would add headers of their own.
std::wstring HeaderText(std::wstring_view text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c >= 0x20 && c != 0x7F) out.push_back(c);
  }
  return out;
}

}  // namespace

IHttpSessionSystem& SystemHttpSession() noexcept {
  static SystemSession system;
  return system;
}

namespace {

// One request; `status` gets the reply's status code when asked for.
bool HttpRequest(const wchar_t* verb, std::wstring_view url, const HttpHeaders& headers, std::string_view content,
                 std::string& data, DWORD* status) noexcept {
  try {
    const WinHttp& http = Api();
    if (!http.Complete()) return false;
    const std::wstring address(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (address.empty() || !http.WinHttpCrackUrl(address.c_str(), static_cast<DWORD>(address.size()), 0, &parts)) {
      return false;
    }
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return false;
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";

    std::optional<ProxySetting> requestProxy;
    const UniqueInternet session(http, OpenHttpSession(SystemHttpSession(), address, requestProxy));
    if (!session) return false;
    const UniqueInternet connection(http, http.WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
    if (!connection) return false;
    const UniqueInternet request(http, http.WinHttpOpenRequest(connection.get(), verb, path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                                WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
    if (!request) return false;
    // A configuration script's answer for this URL. Without it the request would go out direct,
    // which a network that requires its proxy blocks anyway: tried all the same.
    if (requestProxy) SystemHttpSession().SetProxy(request.get(), *requestProxy);

    for (const auto& [name, value] : headers) {
      const std::wstring line = HeaderText(name) + L": " + HeaderText(value);
      // A header the stack refuses is left out; the request goes on without it.
      http.WinHttpAddRequestHeaders(request.get(), line.c_str(), static_cast<DWORD>(line.size()), WINHTTP_ADDREQ_FLAG_ADD);
    }
    if (content.size() > MAXDWORD) return false;
    const auto length = static_cast<DWORD>(content.size());
    if (!http.WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                                 length ? const_cast<char*>(content.data()) : WINHTTP_NO_REQUEST_DATA, length, length, 0) ||
        !http.WinHttpReceiveResponse(request.get(), nullptr)) {
      return false;
    }
    if (status) {
      DWORD size = sizeof(*status);
      if (!http.WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                    WINHTTP_HEADER_NAME_BY_INDEX, status, &size, WINHTTP_NO_HEADER_INDEX)) {
        return false;
      }
    }

    std::string body;
    for (;;) {
      DWORD available = 0;
      if (!http.WinHttpQueryDataAvailable(request.get(), &available)) return false;
      if (available == 0) break;
      if (available > kMaxReplyBytes - body.size()) return false;
      const size_t filled = body.size();
      body.resize(filled + available);
      DWORD read = 0;
      if (!http.WinHttpReadData(request.get(), body.data() + filled, available, &read)) return false;
      body.resize(filled + read);
      if (read == 0) break;
    }
    data = Utf16ToUtf8(Utf8ToUtf16(body));
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

bool HttpGet(std::wstring_view url, const HttpHeaders& headers, std::string& data) noexcept {
  return HttpRequest(L"GET", url, headers, {}, data, nullptr);
}

bool HttpPost(std::wstring_view url, const HttpHeaders& headers, std::string_view content) noexcept {
  std::string reply;
  DWORD status = 0;
  return HttpRequest(L"POST", url, headers, content, reply, &status) && status >= 200 && status < 300;
}

}  // namespace sweeplet
