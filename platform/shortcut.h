#pragma once
// Shortcuts on the user's desktop that start a program.
#include <string>

namespace platform {

// Saves at `path` a shortcut that starts `target` with `workingDirectory` as its current folder,
// replacing the file there in one step. False when it could not be saved.
bool CreateShortcut(const std::string& path, const std::string& target, const std::string& workingDirectory);

}  // namespace platform
