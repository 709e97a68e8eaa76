#pragma once
// Running a script of the system's shell in a process of its own that outlives its starter.
#include <string>

namespace platform {

// Starts the shell on the script at `path` as StartDetached does. False when it cannot be
// started at all.
bool StartDetachedScript(const std::string& path);

}  // namespace platform
