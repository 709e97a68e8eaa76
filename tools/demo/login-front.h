#pragma once
// The login host's front door. The launcher opens the login page at string 148 (which already
// holds "?redirectUri=...") followed by "?qxtc=...&qxqd=...", so the request target carries two
// question marks. That is a valid URL, but cpp-httplib 0.11 answers such a target with 400. The
// front accepts the connection, rewrites every '?' after the first into "%3F" (the server then
// decodes it back in the query values), keeps the original target in the header
// "X-Demo-Target", and relays the connection to the real server on its own port.
#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace demo {

inline constexpr std::string_view kOriginalTargetHeader = "X-Demo-Target";

// The head of one request (request line and headers up to and including the empty line) as the
// server can read it: the target's later '?' escaped, any Connection and X-Demo-Target header
// replaced by "Connection: close" (one request per relayed connection keeps the relay simple)
// and the original target, its '%' written as "%25" since the server decodes header values. Nothing when the head has no request line of three words.
std::optional<std::string> RewriteRequestHead(std::string_view head);

class LoginFront {
 public:
  explicit LoginFront(int backend_port) : backend_port_(backend_port) {}
  LoginFront(const LoginFront&) = delete;
  LoginFront& operator=(const LoginFront&) = delete;
  ~LoginFront();

  // Listens on 127.0.0.1:port (0: any free port) and starts relaying on a thread of its own.
  // Returns the port, or -1 when it cannot listen.
  int Start(int port);
  void Stop();

 private:
  void AcceptLoop();

  int backend_port_;
  int listen_fd_ = -1;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
};

}  // namespace demo
