#include "platform/process-name.h"

#include "platform/process-paths.h"

namespace platform {
namespace {

// This file holds no system call and serves Windows too, where both slashes separate folders.
#if defined(_WIN32)
constexpr char kSeparators[] = "/\\";
#else
constexpr char kSeparators[] = "/";
#endif

}  // namespace

std::string ProcessNameFromPath(const std::string& path) {
  const size_t slash = path.find_last_of(kSeparators);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.erase(dot);
  return name.empty() ? "process" : name;
}

std::string ProcessName() { return ProcessNameFromPath(ExecutablePath()); }

}  // namespace platform
