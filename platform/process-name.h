#pragma once
// The running program's name, as it appears in its log file names.
#include <string>

namespace platform {

// The executable's file name without folder and last extension; "process" when it is unknown.
std::string ProcessName();

// The same rule applied to a given path.
std::string ProcessNameFromPath(const std::string& path);

}  // namespace platform
