#pragma once
// Open files and sockets belong to the launcher alone: none may reach a program it starts.
#include <cstdint>

namespace platform {

// Marks the open file or socket `handle` (the system's handle, as NativeFileHandle and
// NativeSocket hold it) so that no program the launcher starts inherits it. False when it is not
// an open handle.
bool SetCloseOnExec(std::intptr_t handle);

}  // namespace platform
