#include "platform/socket.h"

#include <winsock2.h>

#include <mutex>

namespace platform {
namespace {

// Winsock serves a process only after WSAStartup; it stays up until the process ends.
bool WinsockReady() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] {
    WSADATA data;
    ready = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  });
  return ready;
}

}  // namespace

int OpenSocketNotInherited(int family, int type, int protocol) {
  if (!WinsockReady()) return -1;
  const SOCKET s = ::WSASocketW(family, type, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET) return -1;
  // Socket handles fit in 32 bits on every Windows (they are kernel handles).
  return static_cast<int>(s);
}

}  // namespace platform
