#pragma once
// An HTTP server on 127.0.0.1 with an ephemeral port, serving from its own thread for one test.
// Handlers that must hang (a stalled or silent peer) call WaitForRelease; the destructor releases
// them first, so the server can always stop.
#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace testing_http {

class LoopbackServer {
 public:
  LoopbackServer() {
    // One request per connection: a connection the client keeps would hold stop() for the
    // server's read time-out.
    server_.set_keep_alive_max_count(1);
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // stop() is ignored until the accept loop runs.
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~LoopbackServer() {
    released_ = true;
    server_.stop();
    thread_.join();
  }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  httplib::Server& server() { return server_; }
  int port() const { return port_; }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

  void WaitForRelease() const {
    while (!released_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> released_{false};
};

// A loopback port on which nothing listens, so connections to it are refused at once.
inline int UnusedPort() {
  const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(probe);
  return ntohs(address.sin_port);
}

}  // namespace testing_http
