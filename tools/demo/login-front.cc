#include "tools/demo/login-front.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace demo {
namespace {

constexpr size_t kMaxHead = 64 * 1024;

bool HeaderIs(std::string_view line, std::string_view name) {
  return line.size() > name.size() && line[name.size()] == ':' &&
         strncasecmp(line.data(), name.data(), name.size()) == 0;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

int ConnectLoopback(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Copies both ways until the server has answered and closed; the client's end of sending is
// passed on as a half-close, so a request body still reaches the server in full.
void Pump(int client, int server) {
  pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
  char buf[64 * 1024];
  bool client_open = true;
  for (;;) {
    fds[0].fd = client_open ? client : -1;
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (client_open && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
      ssize_t n = recv(client, buf, sizeof buf, 0);
      if (n > 0) {
        if (!WriteAll(server, buf, static_cast<size_t>(n))) return;
      } else if (n == 0 || errno != EINTR) {
        client_open = false;
        shutdown(server, SHUT_WR);
      }
    }
    if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
      ssize_t n = recv(server, buf, sizeof buf, 0);
      if (n > 0) {
        if (!WriteAll(client, buf, static_cast<size_t>(n))) return;
      } else if (n == 0 || errno != EINTR) {
        return;
      }
    }
  }
}

void Relay(int client, int backend_port) {
  std::string head;
  char buf[4096];
  size_t end = std::string::npos;
  while (end == std::string::npos && head.size() < kMaxHead) {
    ssize_t n = recv(client, buf, sizeof buf, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    head.append(buf, static_cast<size_t>(n));
    end = head.find("\r\n\r\n");
  }
  std::optional<std::string> rewritten;
  if (end != std::string::npos) rewritten = RewriteRequestHead(std::string_view(head).substr(0, end + 4));
  int server = rewritten ? ConnectLoopback(backend_port) : -1;
  if (server < 0) {
    if (head.empty()) {
      close(client);
      return;
    }
    static constexpr std::string_view kBad =
        "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    static constexpr std::string_view kDown =
        "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    std::string_view answer = rewritten ? kDown : kBad;
    WriteAll(client, answer.data(), answer.size());
    close(client);
    return;
  }
  // The bytes after the head (the start of a body) follow the rewritten head unchanged.
  if (WriteAll(server, rewritten->data(), rewritten->size()) &&
      WriteAll(server, head.data() + end + 4, head.size() - end - 4)) {
    Pump(client, server);
  }
  close(server);
  close(client);
}

}  // namespace

std::optional<std::string> RewriteRequestHead(std::string_view head) {
  size_t line_end = head.find("\r\n");
  if (line_end == std::string_view::npos) return std::nullopt;
  std::string_view line = head.substr(0, line_end);
  size_t sp1 = line.find(' ');
  size_t sp2 = sp1 == std::string_view::npos ? sp1 : line.find(' ', sp1 + 1);
  if (sp2 == std::string_view::npos || sp2 == sp1 + 1 ||
      line.find(' ', sp2 + 1) != std::string_view::npos) {
    return std::nullopt;
  }
  std::string_view target = line.substr(sp1 + 1, sp2 - sp1 - 1);

  std::string out(line.substr(0, sp1 + 1));
  bool seen_query = false;
  for (char c : target) {
    if (c == '?' && seen_query) {
      out += "%3F";
    } else {
      seen_query |= c == '?';
      out += c;
    }
  }
  out += line.substr(sp2);
  out += "\r\n";

  size_t pos = line_end + 2;
  while (pos < head.size()) {
    size_t next = head.find("\r\n", pos);
    if (next == std::string_view::npos || next == pos) break;  // the empty line ends the head
    std::string_view header = head.substr(pos, next - pos);
    if (!HeaderIs(header, "Connection") && !HeaderIs(header, kOriginalTargetHeader)) {
      out += header;
      out += "\r\n";
    }
    pos = next + 2;
  }
  out += "Connection: close\r\n";
  // The server URL-decodes header values, so '%' is written as "%25" to arrive unchanged.
  out += kOriginalTargetHeader;
  out += ": ";
  for (char c : target) {
    if (c == '%') {
      out += "%25";
    } else {
      out += c;
    }
  }
  out += "\r\n\r\n";
  return out;
}

LoginFront::~LoginFront() { Stop(); }

int LoginFront::Start(int port) {
  listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listen_fd_ < 0) return -1;
  int one = 1;
  setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      listen(listen_fd_, 64) != 0 ||
      getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    close(listen_fd_);
    listen_fd_ = -1;
    return -1;
  }
  acceptor_ = std::thread([this] { AcceptLoop(); });
  return ntohs(addr.sin_port);
}

void LoginFront::Stop() {
  if (stopping_.exchange(true)) return;
  if (listen_fd_ >= 0) shutdown(listen_fd_, SHUT_RDWR);
  if (acceptor_.joinable()) acceptor_.join();
  if (listen_fd_ >= 0) close(listen_fd_);
  listen_fd_ = -1;
}

void LoginFront::AcceptLoop() {
  while (!stopping_) {
    int client = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) {
      if (stopping_) return;
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      if (errno == EBADF || errno == EINVAL) return;
      continue;
    }
    // A browser may open a connection ahead of need and leave it idle; the relay gives up on a
    // head that does not arrive within the time-out.
    timeval timeout{30, 0};
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    // A connection lives as long as one page request; each gets its own short-lived thread.
    std::thread([client, port = backend_port_] { Relay(client, port); }).detach();
  }
}

}  // namespace demo
