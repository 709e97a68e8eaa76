#pragma once
// Folder checks by path (UTF-8). Folders are made with MakeDirectory of platform/file.h.
#include <string>

namespace platform {

// True for an existing folder, or a symbolic link to one.
bool IsDirectory(const std::string& path);

}  // namespace platform
