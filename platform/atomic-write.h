#pragma once
// Writing a whole file so that readers see either the old file or the complete new one, never a
// partial one: the bytes go to a temporary file beside the target, which is renamed over it.
#include <span>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace platform {

// Writes `bytes` to `path` with permission bits `mode` (the umask applies). False when any step
// fails; the target is then left as it was and no temporary file remains.
bool WriteFileAtomically(const std::string& path, std::span<const unsigned char> bytes, mode_t mode);
bool WriteFileAtomically(const std::string& path, std::string_view text, mode_t mode);

}  // namespace platform
