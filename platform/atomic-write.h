#pragma once
// Writing a whole file so that readers see either the old file or the complete new one, never a
// partial one: the bytes go to a temporary file beside the target, which is renamed over it.
#include <span>
#include <string>
#include <string_view>

namespace platform {

// Who may do what with the written file, before the umask takes its part.
enum class FileAccess {
  ownerOnly,   // read and written by its owner alone
  plain,       // written by its owner, read by everyone
  executable,  // a plain file that can also be run
};

// Writes `bytes` to `path` with the permissions of `access`. False when any step fails; the
// target is then left as it was and no temporary file remains.
bool WriteFileAtomically(const std::string& path, std::span<const unsigned char> bytes, FileAccess access);
bool WriteFileAtomically(const std::string& path, std::string_view text, FileAccess access);

}  // namespace platform
