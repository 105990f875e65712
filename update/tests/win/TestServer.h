#pragma once
// A small HTTP server on 127.0.0.1 for the tests: it records each request's head and answers
// with a fixed reply, or drops the connection without a word. As a proxy it answers a GET of an
// absolute URL the same way and grants a CONNECT a tunnel that ends at once.
#include <winsock2.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace sweeplet::testing {

class TestServer {
 public:
  enum class Mode { kReply, kDrop };
  explicit TestServer(std::string body = "{}", Mode mode = Mode::kReply, std::string status = "200 OK");
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  std::wstring Url(const std::wstring& path = L"/api.init.php") const;
  unsigned short Port() const { return port_; }
  // The heads of the requests received so far (request line and header lines).
  std::vector<std::string> Requests() const;
  // The bodies of the requests received so far, as long as their Content-Length said.
  std::vector<std::string> Bodies() const;
  // Waits until `count` connections were taken; false after `timeout`.
  bool WaitForConnections(size_t count, std::chrono::milliseconds timeout) const;
  size_t Connections() const;

 private:
  void Serve();
  void Answer(SOCKET client);

  std::string body_;
  Mode mode_;
  std::string status_;
  SOCKET listener_ = INVALID_SOCKET;
  unsigned short port_ = 0;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<std::string> requests_;
  std::vector<std::string> bodies_;
  size_t connections_ = 0;
  std::thread thread_;
};

// A URL on 127.0.0.1 where nothing listens.
std::wstring ClosedPortUrl();

// The header lines of a request head, in the order received, as (name, value).
std::vector<std::pair<std::string, std::string>> HeaderLines(const std::string& head);

}  // namespace sweeplet::testing
