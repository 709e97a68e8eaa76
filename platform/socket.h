#pragma once
// Sockets that libraries open through the program (libcurl's open-socket callback).

namespace platform {

// A new socket of `family`, `type` and `protocol`, as socket(2) makes it, that no child process
// inherits (marked so in the same call, so a process started meanwhile on another thread cannot
// take it either). -1 on failure.
int OpenSocketNotInherited(int family, int type, int protocol);

}  // namespace platform
