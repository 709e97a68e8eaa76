#pragma once
// Folder checks and creation by path (UTF-8).
#include <string>

namespace platform {

bool IsDirectory(const std::string& path);

// Creates one folder (its parent must exist); false when it cannot, an existing one included.
bool MakeDirectory(const std::string& path);

}  // namespace platform
