#include "platform/append-file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

std::FILE* OpenForAppending(const std::string& path) {
  int fd;
  do {
    // Non-blocking only for the open itself: a pipe at the name would otherwise wait for a reader.
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return nullptr;
  struct stat st;
  const int refused = ::fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : EINVAL;
  if (refused != 0) {
    ::close(fd);
    errno = refused;
    return nullptr;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  std::FILE* file = flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 ? nullptr : ::fdopen(fd, "a");
  if (!file) {
    const int error = errno;
    ::close(fd);
    errno = error;
  }
  return file;
}

}  // namespace platform
