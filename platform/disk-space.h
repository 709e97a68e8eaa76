#pragma once
// Free space of file systems, for refusing work that cannot fit before any of it is written.
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Bytes an unprivileged writer may still use on the file system that holds `path` (UTF-8). A
// path that does not exist yet is measured at its nearest existing parent, where it would be
// made. Nothing when the file system cannot be asked.
std::optional<std::uint64_t> FreeSpaceFor(const std::string& path);

}  // namespace platform
