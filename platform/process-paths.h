#pragma once
// Where the running program is and where it works (GetModuleFileNameW, GetCurrentDirectoryW).
#include <string>

namespace platform {

// Absolute path of the running executable; empty when it cannot be read.
std::string ExecutablePath();

// The process's current directory; empty when it cannot be read.
std::string CurrentDirectory();

}  // namespace platform
