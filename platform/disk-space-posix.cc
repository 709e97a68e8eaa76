#include "platform/disk-space.h"

#include <sys/statvfs.h>

#include <cerrno>

namespace platform {

std::optional<std::uint64_t> FreeSpaceFor(const std::string& path) {
  std::string current = path.empty() ? "." : path;
  for (;;) {
    struct statvfs info;
    if (::statvfs(current.c_str(), &info) == 0) {
      return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
    }
    if (errno != ENOENT && errno != ENOTDIR) return std::nullopt;
    while (current.size() > 1 && current.back() == '/') current.pop_back();
    const auto cut = current.rfind('/');
    if (cut == std::string::npos) {
      if (current == ".") return std::nullopt;
      current = ".";
    } else if (cut == 0) {
      if (current == "/") return std::nullopt;
      current = "/";
    } else {
      current.erase(cut);
    }
  }
}

}  // namespace platform
