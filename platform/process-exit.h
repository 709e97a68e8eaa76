#pragma once
// Ending the process on the spot.

namespace platform {

// Ends the process with `code` at once: no destructors, no exit handlers, no buffers flushed.
[[noreturn]] void ExitImmediately(int code);

}  // namespace platform
