#pragma once
// A lock on a file that one process at a time holds for as long as it runs, whatever the timing
// of two processes that both want it.
#include <string>

namespace platform {

enum class ProcessLockResult { acquired, heldByAnother, unavailable };

// Creates `path` when missing (a symbolic link there is not followed) and takes an exclusive lock
// on it without waiting. The lock lasts until the process ends, and no child process inherits
// it. `unavailable` when the file cannot be opened or locked for any other reason.
ProcessLockResult LockForProcessLifetime(const std::string& path);

}  // namespace platform
