#pragma once
// Sockets that libraries open through the program (libcurl's open-socket callback).
#include <cstdint>

namespace platform {

// The system's handle of a socket, in an integer wide enough for every system's kind.
using NativeSocket = std::intptr_t;
inline constexpr NativeSocket kNoSocket = -1;

// A new socket of `family`, `type` and `protocol`, as socket(2) makes it, that no child process
// inherits (marked so in the same call, so a process started meanwhile on another thread cannot
// take it either). kNoSocket on failure.
NativeSocket OpenSocketNotInherited(int family, int type, int protocol);

}  // namespace platform
