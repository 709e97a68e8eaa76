#include "platform/process-lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

ProcessLockResult LockForProcessLifetime(const std::string& path) {
  int fd;
  do {
    // Read access is enough for flock, and lets a lock file of another owner still be locked.
    fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return ProcessLockResult::unavailable;
  int locked;
  do {
    locked = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (locked != 0 && errno == EINTR);
  if (locked == 0) return ProcessLockResult::acquired;  // the descriptor stays open until the end
  const int error = errno;
  ::close(fd);
  errno = error;
  return error == EWOULDBLOCK ? ProcessLockResult::heldByAnother : ProcessLockResult::unavailable;
}

}  // namespace platform
