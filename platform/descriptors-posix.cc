#include "platform/descriptors.h"

#include <fcntl.h>

#include <climits>

namespace platform {

bool SetCloseOnExec(std::intptr_t handle) {
  // A value no descriptor can have must not be cut down to one that is open.
  if (handle < 0 || handle > INT_MAX) return false;
  const int descriptor = static_cast<int>(handle);
  const int flags = fcntl(descriptor, F_GETFD);
  return flags >= 0 && fcntl(descriptor, F_SETFD, flags | FD_CLOEXEC) == 0;
}

}  // namespace platform
