#include "platform/atomic-write.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

bool WriteAll(int fd, const unsigned char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) return false;
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

mode_t ModeOf(FileAccess access) {
  switch (access) {
    case FileAccess::ownerOnly: return 0600;
    case FileAccess::executable: return 0755;
    case FileAccess::plain: break;
  }
  return 0644;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::span<const unsigned char> bytes, FileAccess access) {
  const mode_t mode = ModeOf(access);
  // Beside the target, so that the rename stays on one file system; the pid keeps two processes
  // deploying into the same folder apart.
  const std::string temporary = path + "." + std::to_string(::getpid()) + ".tmp";
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0 && errno == EEXIST) {
    // Left behind by an earlier process of the same pid that died half way.
    ::unlink(temporary.c_str());
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  }
  if (fd < 0) return false;
  const bool complete = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!complete || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view text, FileAccess access) {
  return WriteFileAtomically(
      path, std::span(reinterpret_cast<const unsigned char*>(text.data()), text.size()), access);
}

}  // namespace platform
