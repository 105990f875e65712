#include <gtest/gtest.h>

#include <windows.h>
#include <winhttp.h>

#include <string>
#include <vector>

#include "TestServer.h"
#include "common/UniqueHandle.h"
#include "common/tests/win/TestMachine.h"
#include "update/HttpGet.h"
#include "update/HttpSession.h"

namespace sweeplet {
namespace {

// Records what the session asks for and answers from its fields.
class FakeSessionSystem final : public IHttpSessionSystem {
 public:
  struct OpenCall {
    DWORD accessType;
    std::wstring proxy;  // "(null)" for a null pointer
    std::wstring bypass;
  };

  WindowsVersion version{10, 0};
  bool refuseAutomatic = false;
  std::optional<UserProxyConfig> user;
  std::optional<ProxySetting> scriptAnswer;

  std::vector<OpenCall> opens;
  std::vector<DWORD> protocols;
  struct LookUp {
    std::wstring url;
    bool autoDetect;
    std::wstring configUrl;
  };
  std::vector<LookUp> lookUps;

  WindowsVersion Version() noexcept override { return version; }
  HINTERNET Open(DWORD accessType, const wchar_t* proxy, const wchar_t* bypass) noexcept override {
    opens.push_back({accessType, proxy ? proxy : L"(null)", bypass ? bypass : L"(null)"});
    if (accessType == WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY && refuseAutomatic) return nullptr;
    return Session();
  }
  bool SetSecureProtocols(HINTERNET session, DWORD value) noexcept override {
    EXPECT_EQ(session, Session());
    protocols.push_back(value);
    return false;  // as on a system without the TLS 1.2 update: the session is kept all the same
  }
  bool SetProxy(HINTERNET, const ProxySetting&) noexcept override {
    ADD_FAILURE() << "opening a session sets no request proxy";
    return false;
  }
  std::optional<UserProxyConfig> UserProxy() noexcept override { return user; }
  std::optional<ProxySetting> ProxyForUrl(HINTERNET session, const std::wstring& url, bool autoDetect,
                                          const std::wstring& configUrl) noexcept override {
    EXPECT_EQ(session, Session());
    lookUps.push_back({url, autoDetect, configUrl});
    return scriptAnswer;
  }

  static HINTERNET Session() { return reinterpret_cast<HINTERNET>(static_cast<uintptr_t>(0x5e55)); }
};

constexpr wchar_t kUrl[] = L"https://update.example/api.init.php";

struct Band {
  const char* name;
  WindowsVersion version;
  bool automatic;
};

// Windows Vista, 7, 8, 8.1, 10 and 11 (which reports 10.0).
const Band kBands[] = {
    {"Vista", {6, 0}, false}, {"7", {6, 1}, false}, {"8", {6, 2}, false},
    {"8.1", {6, 3}, true},    {"10", {10, 0}, true}, {"a later major version", {11, 0}, true},
};

TEST(HttpSessionTest, EachVersionBandGetsItsAccessTypeAndProtocols) {
  for (const Band& band : kBands) {
    SCOPED_TRACE(band.name);
    FakeSessionSystem system;
    system.version = band.version;
    system.user = UserProxyConfig{};  // nothing set: direct, or netsh's proxy
    std::optional<ProxySetting> requestProxy = ProxySetting{L"stale:1", L""};
    EXPECT_EQ(OpenHttpSession(system, kUrl, requestProxy), FakeSessionSystem::Session());
    EXPECT_FALSE(requestProxy);
    ASSERT_EQ(system.opens.size(), 1u);
    EXPECT_EQ(system.opens[0].accessType,
              band.automatic ? DWORD{WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY} : DWORD{WINHTTP_ACCESS_TYPE_DEFAULT_PROXY});
    EXPECT_EQ(system.opens[0].proxy, L"(null)");
    EXPECT_EQ(system.opens[0].bypass, L"(null)");
    if (band.automatic) {
      EXPECT_TRUE(system.protocols.empty()) << "the defaults (TLS 1.2, later 1.3) are left alone";
    } else {
      EXPECT_EQ(system.protocols, std::vector<DWORD>{WINHTTP_FLAG_SECURE_PROTOCOL_TLS1 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1 |
                                                     WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2});
    }
  }
}

TEST(HttpSessionTest, TheUserProxyBefore81) {
  struct Case {
    const char* name;
    UserProxyConfig user;
    std::optional<ProxySetting> scriptAnswer;
    DWORD accessType;
    std::wstring sessionProxy, sessionBypass;
    bool looksUp;
    std::optional<std::wstring> requestProxy;
  };
  const std::wstring null = L"(null)";
  const Case cases[] = {
      {"set by hand", {false, L"", {L"proxy.lan:8080", L"*.lan;<local>"}}, std::nullopt,
       WINHTTP_ACCESS_TYPE_NAMED_PROXY, L"proxy.lan:8080", L"*.lan;<local>", false, std::nullopt},
      {"set by hand without a bypass list", {false, L"", {L"proxy.lan:8080", L""}}, std::nullopt,
       WINHTTP_ACCESS_TYPE_NAMED_PROXY, L"proxy.lan:8080", null, false, std::nullopt},
      {"a script that names a proxy", {false, L"http://wpad.lan/proxy.pac", {}}, ProxySetting{L"pac.lan:3128", L""},
       WINHTTP_ACCESS_TYPE_NO_PROXY, null, null, true, L"pac.lan:3128"},
      {"auto-detection that says direct", {true, L"", {}}, ProxySetting{}, WINHTTP_ACCESS_TYPE_NO_PROXY, null, null,
       true, std::nullopt},
      {"a script that fails, with a proxy set by hand", {true, L"http://wpad.lan/proxy.pac", {L"hand.lan:80", L""}},
       std::nullopt, WINHTTP_ACCESS_TYPE_NO_PROXY, null, null, true, L"hand.lan:80"},
      {"a script that fails, nothing by hand", {true, L"", {}}, std::nullopt, WINHTTP_ACCESS_TYPE_NO_PROXY, null, null,
       true, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSessionSystem system;
    system.version = {6, 1};
    system.user = c.user;
    system.scriptAnswer = c.scriptAnswer;
    std::optional<ProxySetting> requestProxy;
    EXPECT_EQ(OpenHttpSession(system, kUrl, requestProxy), FakeSessionSystem::Session());
    ASSERT_EQ(system.opens.size(), 1u);
    EXPECT_EQ(system.opens[0].accessType, c.accessType);
    EXPECT_EQ(system.opens[0].proxy, c.sessionProxy);
    EXPECT_EQ(system.opens[0].bypass, c.sessionBypass);
    ASSERT_EQ(system.lookUps.size(), c.looksUp ? 1u : 0u);
    if (c.looksUp) {
      EXPECT_EQ(system.lookUps[0].url, kUrl);
      EXPECT_EQ(system.lookUps[0].autoDetect, c.user.autoDetect);
      EXPECT_EQ(system.lookUps[0].configUrl, c.user.configUrl);
    }
    EXPECT_EQ(requestProxy.has_value(), c.requestProxy.has_value());
    if (requestProxy && c.requestProxy) {
      EXPECT_EQ(requestProxy->proxy, *c.requestProxy);
    }
    EXPECT_EQ(system.protocols.size(), 1u);
  }
}

TEST(HttpSessionTest, UnreadableUserSettingsKeepTheNetshProxy) {
  FakeSessionSystem system;
  system.version = {6, 1};
  std::optional<ProxySetting> requestProxy;
  EXPECT_TRUE(OpenHttpSession(system, kUrl, requestProxy));
  ASSERT_EQ(system.opens.size(), 1u);
  EXPECT_EQ(system.opens[0].accessType, DWORD{WINHTTP_ACCESS_TYPE_DEFAULT_PROXY});
}

// A system that claims 8.1 or later but refuses the automatic proxy falls back to the user's
// settings; it keeps its own protocols, which already hold TLS 1.2.
TEST(HttpSessionTest, ARefusedAutomaticProxyFallsBackToTheUserSettings) {
  FakeSessionSystem system;
  system.refuseAutomatic = true;
  system.user = UserProxyConfig{false, L"", {L"proxy.lan:8080", L""}};
  std::optional<ProxySetting> requestProxy;
  EXPECT_TRUE(OpenHttpSession(system, kUrl, requestProxy));
  ASSERT_EQ(system.opens.size(), 2u);
  EXPECT_EQ(system.opens[0].accessType, DWORD{WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY});
  EXPECT_EQ(system.opens[1].accessType, DWORD{WINHTTP_ACCESS_TYPE_NAMED_PROXY});
  EXPECT_TRUE(system.protocols.empty());
}

// The system's own answers on real Windows: the version ntdll gives past any compatibility shim,
// and a session with the automatic proxy, which the Windows versions the CI runs on all have.
TEST(HttpSessionTest, OnWindowsTheSystemOpensTheAutomaticProxy) {
  if (testing::UnderWine()) GTEST_SKIP() << "meant for Windows: Wine reports Windows 7 unless its prefix says otherwise";
  IHttpSessionSystem& system = SystemHttpSession();
  const WindowsVersion version = system.Version();
  ASSERT_TRUE(IsWindows81OrLater(version)) << version.major << "." << version.minor;
  HINTERNET session = system.Open(WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS);
  ASSERT_TRUE(session) << ::GetLastError();
  using CloseFn = BOOL(WINAPI*)(HINTERNET);
  const auto close = reinterpret_cast<CloseFn>(
      reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(L"winhttp.dll"), "WinHttpCloseHandle")));
  ASSERT_TRUE(close);
  EXPECT_TRUE(close(session));
}

// The user's proxy as the Internet Options dialog keeps it (Connections\DefaultConnectionSettings in
// this process's scratch hive): version, change counter, flags (1 direct, 2 a proxy set by hand),
// then the proxy, its bypass list and the script URL as counted byte strings.
class UserProxyScope {
 public:
  explicit UserProxyScope(const std::string& proxy) {
    std::vector<BYTE> blob;
    auto dword = [&](DWORD v) {
      for (int i = 0; i < 4; ++i) blob.push_back(static_cast<BYTE>(v >> (8 * i)));
    };
    auto text = [&](const std::string& t) {
      dword(static_cast<DWORD>(t.size()));
      blob.insert(blob.end(), t.begin(), t.end());
    };
    dword(0x46);
    dword(1);
    dword(0x3);
    text(proxy);
    text("");
    text("");
    blob.resize(blob.size() + 32);
    ::RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key_.put(), nullptr);
    set_ = key_ && ::RegSetValueExW(key_.get(), kValue, 0, REG_BINARY, blob.data(), static_cast<DWORD>(blob.size())) ==
                       ERROR_SUCCESS;
  }
  ~UserProxyScope() {
    if (key_) ::RegDeleteValueW(key_.get(), kValue);
  }
  UserProxyScope(const UserProxyScope&) = delete;
  UserProxyScope& operator=(const UserProxyScope&) = delete;
  bool Set() const { return set_; }

 private:
  static constexpr wchar_t kKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
  static constexpr wchar_t kValue[] = L"DefaultConnectionSettings";
  UniqueKey key_;
  bool set_ = false;
};

// End to end through a proxy on 127.0.0.1 set as the user's: a host that does not resolve is
// reached through it, and an https request asks it for a tunnel (which leads nowhere, so the
// request fails: the certificate is still checked).
TEST(HttpThroughUserProxyTest, RequestsGoThroughTheUsersProxy) {
  if (!testing::UnderWine()) {
    GTEST_SKIP() << "meant for Wine: it sets the proxy in this process's scratch hive, which Windows' "
                    "automatic proxy (read by a system service) does not look at";
  }
  testing::TestServer proxy("{\"via\":\"proxy\"}");
  const UserProxyScope user("127.0.0.1:" + std::to_string(proxy.Port()));
  ASSERT_TRUE(user.Set());

  std::string data;
  ASSERT_TRUE(HttpGet(L"http://update.invalid/api.init.php", {{L"User-Version", L"1.9.0.0"}}, data));
  EXPECT_EQ(data, "{\"via\":\"proxy\"}");
  std::string other = "untouched";
  EXPECT_FALSE(HttpGet(L"https://update.invalid/api.init.php", {}, other));
  EXPECT_EQ(other, "untouched");

  const auto requests = proxy.Requests();
  ASSERT_EQ(requests.size(), 2u);
  // The absolute form of the URL, which Wine writes with the default port.
  const std::string line = requests[0].substr(0, requests[0].find("\r\n"));
  EXPECT_TRUE(line == "GET http://update.invalid/api.init.php HTTP/1.1" ||
              line == "GET http://update.invalid:80/api.init.php HTTP/1.1")
      << line;
  EXPECT_NE(requests[0].find("User-Version: 1.9.0.0"), std::string::npos) << requests[0];
  EXPECT_EQ(requests[1].rfind("CONNECT update.invalid:443 HTTP/1.1", 0), 0u) << requests[1];
}

}  // namespace
}  // namespace sweeplet
