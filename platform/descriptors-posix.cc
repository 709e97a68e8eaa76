#include "platform/descriptors.h"

#include <fcntl.h>

namespace platform {

bool SetCloseOnExec(int descriptor) {
  const int flags = fcntl(descriptor, F_GETFD);
  return flags >= 0 && fcntl(descriptor, F_SETFD, flags | FD_CLOEXEC) == 0;
}

}  // namespace platform
