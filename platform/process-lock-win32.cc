#include "platform/process-lock.h"

#include <windows.h>

#include "platform/encoding.h"

namespace platform {

ProcessLockResult LockForProcessLifetime(const std::string& path) {
  // A link at the path is opened itself, not followed. Others may still read and delete the
  // file; the lock on its first byte is what they cannot take. The handle is not inheritable.
  const HANDLE file = ::CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ProcessLockResult::unavailable;
  OVERLAPPED at{};
  if (::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    return ProcessLockResult::acquired;  // the handle stays open until the process ends
  }
  const DWORD error = ::GetLastError();
  ::CloseHandle(file);
  ::SetLastError(error);
  return error == ERROR_LOCK_VIOLATION ? ProcessLockResult::heldByAnother : ProcessLockResult::unavailable;
}

}  // namespace platform
