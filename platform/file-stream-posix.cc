#include "platform/file-stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

std::FILE* OpenFileStreamForWriting(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return nullptr;
  std::FILE* stream = ::fdopen(fd, "wb");
  if (stream == nullptr) {
    const int error = errno;
    ::close(fd);
    errno = error;
  }
  return stream;
}

}  // namespace platform
