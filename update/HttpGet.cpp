#include "update/HttpGet.h"

#include <windows.h>
#include <winhttp.h>

#include "common/SystemProc.h"
#include "common/UniqueHandle.h"
#include "common/Utf.h"

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

// A header line is built from text we do not fully control (the stored client identifier):
// line breaks in it would add headers of their own.
std::wstring HeaderText(std::wstring_view text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c >= 0x20 && c != 0x7F) out.push_back(c);
  }
  return out;
}

// One request; `status` gets the reply's status code when asked for.
bool HttpRequest(const wchar_t* verb, std::wstring_view url, const HttpHeaders& headers, std::string_view content,
                 std::string& data, DWORD* status) noexcept {
  try {
    static const WinHttp http;
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

    const UniqueInternet session(http, http.WinHttpOpen(L"Sweeplet", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                         WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return false;
    const UniqueInternet connection(http, http.WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
    if (!connection) return false;
    const UniqueInternet request(http, http.WinHttpOpenRequest(connection.get(), verb, path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                                WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
    if (!request) return false;

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
