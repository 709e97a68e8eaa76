#include "platform/append-file.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/encoding.h"

namespace platform {

std::FILE* OpenForAppending(const std::string& path) {
  // Appending access alone makes every write land at the end, whoever else writes there. The
  // log is read, rotated and deleted by others while open, hence the full sharing. A link or a
  // device is opened itself (never followed, never waited for) and refused below.
  const HANDLE handle = ::CreateFileW(Utf8ToWide(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool regular = ::GetFileType(handle) == FILE_TYPE_DISK && ::GetFileInformationByHandle(handle, &info) &&
                       (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) == 0;
  if (!regular) {
    ::CloseHandle(handle);
    ::SetLastError(ERROR_CANT_ACCESS_FILE);
    return nullptr;
  }
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_APPEND | _O_BINARY | _O_WRONLY);
  if (fd < 0) {
    ::CloseHandle(handle);
    ::SetLastError(ERROR_TOO_MANY_OPEN_FILES);
    return nullptr;
  }
  std::FILE* stream = ::_fdopen(fd, "ab");
  if (stream == nullptr) {
    ::_close(fd);
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  }
  return stream;
}

}  // namespace platform
