#include "platform/thread.h"

#include <unistd.h>

namespace platform {

std::uint32_t CurrentThreadId() {
  // gettid is a real system call each time; the id never changes for a thread.
  thread_local const std::uint32_t id = static_cast<std::uint32_t>(gettid());
  return id;
}

}  // namespace platform
