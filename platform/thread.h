#pragma once
// Identity of the calling thread.
#include <cstdint>

namespace platform {

// The kernel's id of the calling thread (what ps -L and /proc show).
std::uint32_t CurrentThreadId();

}  // namespace platform
