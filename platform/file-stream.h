#pragma once
// C streams over files the program writes itself, for libraries that write through one.
#include <cstdio>
#include <string>

namespace platform {

// Opens `path` for writing raw bytes: created (permission bits 0666 through the umask) or
// emptied. A symbolic link in the last component is not followed: the open fails instead. No
// child process inherits the descriptor. Null on failure, with the system error number left in
// LastErrorNumber() of platform/file.h.
std::FILE* OpenFileStreamForWriting(const std::string& path);

}  // namespace platform
