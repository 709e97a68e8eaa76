#include "platform/file-stream.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/encoding.h"

namespace platform {

std::FILE* OpenFileStreamForWriting(const std::string& path) {
  // FILE_FLAG_OPEN_REPARSE_POINT opens a link itself; a link found there is refused, never
  // followed. The handle is not inheritable (no security attributes).
  const HANDLE handle = ::CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  BY_HANDLE_FILE_INFORMATION info{};
  FILE_END_OF_FILE_INFO empty{};
  if (!::GetFileInformationByHandle(handle, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
      !::SetFileInformationByHandle(handle, FileEndOfFileInfo, &empty, sizeof empty)) {
    const DWORD error = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? ERROR_CANT_ACCESS_FILE : ::GetLastError();
    ::CloseHandle(handle);
    ::SetLastError(error);
    return nullptr;
  }
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | _O_WRONLY);
  if (fd < 0) {
    ::CloseHandle(handle);
    ::SetLastError(ERROR_TOO_MANY_OPEN_FILES);
    return nullptr;
  }
  std::FILE* stream = ::_fdopen(fd, "wb");
  if (stream == nullptr) {
    ::_close(fd);
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  }
  return stream;
}

}  // namespace platform
