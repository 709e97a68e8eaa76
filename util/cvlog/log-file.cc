#include "util/cvlog/log-file.h"

#include <cstdio>

#include "platform/file.h"

namespace cvlog {

std::string LogFolder(const std::string& path, bool monthDir, const platform::LocalTime& opened) {
  std::string folder = path;
  for (char& c : folder) {
    if (c == '\\') c = '/';
  }
  if (monthDir) {
    char month[32];
    std::snprintf(month, sizeof month, "%04d_%02d/", opened.year, opened.month);
    folder += month;
  }
  return folder;
}

std::string LogFileName(const std::string& processName, const std::string& loggerName,
                        const platform::LocalTime& opened, std::uint32_t index) {
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "_%04d%02d%02d%02d%02d_%03u.log", opened.year, opened.month, opened.day,
                opened.hour, opened.minute, index);
  return processName + "_" + loggerName + stamp;
}

void MakeDirectories(const std::string& folder) {
  std::string path = folder;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  if (path.empty() || path.back() != '/') path += '/';
  for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    if (prefix.empty() || platform::IsDirectory(prefix)) continue;
    if (!platform::MakeDirectory(prefix)) return;
  }
}

}  // namespace cvlog
