#pragma once
// Open files and sockets belong to the launcher alone: none may reach a program it starts.
namespace platform {

// Marks `descriptor` close-on-exec. False when it is not an open descriptor.
bool SetCloseOnExec(int descriptor);

}  // namespace platform
