#include "platform/fs.h"

#include <sys/stat.h>

namespace platform {

bool IsDirectory(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectory(const std::string& path) { return mkdir(path.c_str(), 0755) == 0; }

}  // namespace platform
