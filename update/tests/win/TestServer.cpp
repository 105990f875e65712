#include "TestServer.h"

#include <ws2tcpip.h>

#include <cstdlib>
#include <cstring>

namespace sweeplet::testing {
namespace {

struct WinsockScope {
  WinsockScope() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~WinsockScope() { ::WSACleanup(); }
};

void EnsureWinsock() { static WinsockScope scope; }

SOCKET ListenOnLoopback(unsigned short& port) {
  EnsureWinsock();
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return s;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int length = sizeof(address);
  if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::closesocket(s);
    return INVALID_SOCKET;
  }
  port = ntohs(address.sin_port);
  return s;
}

}  // namespace

TestServer::TestServer(std::string body, Mode mode, std::string status)
    : body_(std::move(body)), mode_(mode), status_(std::move(status)) {
  listener_ = ListenOnLoopback(port_);
  if (listener_ != INVALID_SOCKET && ::listen(listener_, 8) == 0) thread_ = std::thread([this] { Serve(); });
}

TestServer::~TestServer() {
  if (listener_ != INVALID_SOCKET) ::closesocket(listener_);  // ends the blocking accept
  if (thread_.joinable()) thread_.join();
}

std::wstring TestServer::Url(const std::wstring& path) const {
  return L"http://127.0.0.1:" + std::to_wstring(port_) + path;
}

std::vector<std::string> TestServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

std::vector<std::string> TestServer::Bodies() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return bodies_;
}

size_t TestServer::Connections() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return connections_;
}

bool TestServer::WaitForConnections(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return connections_ >= count; });
}

void TestServer::Serve() {
  for (;;) {
    SOCKET client = ::accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    Answer(client);
    ::closesocket(client);
  }
}

void TestServer::Answer(SOCKET client) {
  const DWORD patience = 5000;  // a client that never closes must not stall the server
  ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&patience), sizeof(patience));
  std::string head;
  if (mode_ == Mode::kReply) {
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
      const int got = ::recv(client, buffer, sizeof(buffer), 0);
      if (got <= 0) break;
      head.append(buffer, static_cast<size_t>(got));
    }
    const size_t end = head.find("\r\n\r\n");
    std::string body = end == std::string::npos ? "" : head.substr(end + 4);
    head = head.substr(0, end);
    size_t length = 0;
    for (const auto& [name, value] : HeaderLines(head)) {
      if (_stricmp(name.c_str(), "Content-Length") == 0) length = std::strtoul(value.c_str(), nullptr, 10);
    }
    while (body.size() < length) {
      const int got = ::recv(client, buffer, sizeof(buffer), 0);
      if (got <= 0) break;
      body.append(buffer, static_cast<size_t>(got));
    }
    std::lock_guard<std::mutex> lock(mutex_);
    bodies_.push_back(std::move(body));
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++connections_;
    if (mode_ == Mode::kReply) requests_.push_back(head);
  }
  changed_.notify_all();
  if (mode_ == Mode::kDrop) return;
  // As a proxy: a tunnel is granted and leads nowhere, so whatever the client sends through it
  // (a TLS handshake) goes unanswered.
  if (head.rfind("CONNECT ", 0) == 0) {
    static constexpr char kEstablished[] = "HTTP/1.1 200 Connection established\r\n\r\n";
    ::send(client, kEstablished, static_cast<int>(sizeof(kEstablished) - 1), 0);
    ::shutdown(client, SD_SEND);
    return;
  }

  const std::string reply = "HTTP/1.1 " + status_ + "\r\nContent-Type: application/json\r\nContent-Length: " +
                            std::to_string(body_.size()) + "\r\nConnection: close\r\n\r\n" + body_;
  size_t sent = 0;
  while (sent < reply.size()) {
    const int n = ::send(client, reply.data() + sent, static_cast<int>(std::min<size_t>(reply.size() - sent, 65536)), 0);
    if (n <= 0) break;
    sent += static_cast<size_t>(n);
  }
  ::shutdown(client, SD_SEND);
  // Let the client read everything before the socket goes.
  char drain[256];
  while (::recv(client, drain, sizeof(drain), 0) > 0) {
  }
}

std::wstring ClosedPortUrl() {
  unsigned short port = 0;
  SOCKET s = ListenOnLoopback(port);
  ::closesocket(s);  // bound but never listening: the port is free again
  return L"http://127.0.0.1:" + std::to_wstring(port) + L"/api.init.php";
}

std::vector<std::pair<std::string, std::string>> HeaderLines(const std::string& head) {
  std::vector<std::pair<std::string, std::string>> lines;
  size_t start = head.find("\r\n");
  while (start != std::string::npos) {
    start += 2;
    const size_t end = head.find("\r\n", start);
    const std::string line = head.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const size_t colon = line.find(':');
    if (colon != std::string::npos) {
      size_t valueStart = colon + 1;
      while (valueStart < line.size() && line[valueStart] == ' ') ++valueStart;
      lines.emplace_back(line.substr(0, colon), line.substr(valueStart));
    }
    start = end;
  }
  return lines;
}

}  // namespace sweeplet::testing
