#include "platform/socket.h"

#include <sys/socket.h>

namespace platform {

NativeSocket OpenSocketNotInherited(int family, int type, int protocol) {
  return ::socket(family, type | SOCK_CLOEXEC, protocol);
}

}  // namespace platform
