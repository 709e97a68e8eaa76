#pragma once
// A file that a program appends lines to through stdio, such as a log file.
#include <cstdio>
#include <string>

namespace platform {

// Opens the file for appending, creating it when missing (mode 0666 less the umask). Only a
// regular file is opened: a symbolic link in the last component is not followed, and a pipe or
// device there is refused without waiting for it, so a name planted in the folder makes the open
// fail. Programs this process starts do not inherit it. Null on failure, with the error in
// LastErrorNumber() of platform/file.h.
std::FILE* OpenForAppending(const std::string& path);

}  // namespace platform
