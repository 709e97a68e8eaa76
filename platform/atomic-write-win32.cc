#include "platform/atomic-write.h"

#include <windows.h>

#include "platform/encoding.h"
#include "platform/file.h"

namespace platform {
namespace {

bool WriteAll(HANDLE file, const unsigned char* data, size_t size) {
  while (size > 0) {
    const DWORD piece = size < 0x40000000 ? static_cast<DWORD>(size) : 0x40000000;
    DWORD written = 0;
    if (!::WriteFile(file, data, piece, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::span<const unsigned char> bytes, FileAccess) {
  // Beside the target, so that the move stays on one volume; the process id keeps two processes
  // deploying into the same folder apart. Windows has no execute bit, and who may read the file
  // follows from the folder's inherited ACLs (a user's own folders are the user's alone), so the
  // access asked for needs no step of its own.
  const std::wstring target = Utf8ToWide(path);
  const std::wstring temporary = target + L"." + std::to_wstring(::GetCurrentProcessId()) + L".tmp";
  const auto create = [&] {
    return ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  HANDLE file = create();
  if (file == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_FILE_EXISTS) {
    // Left behind by an earlier process of the same id that died half way.
    ::DeleteFileW(temporary.c_str());
    file = create();
  }
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool complete = WriteAll(file, bytes.data(), bytes.size()) && ::FlushFileBuffers(file);
  const bool closed = ::CloseHandle(file) != 0;
  // RenameFile replaces a read-only target too, as rename does on POSIX.
  if (!complete || !closed || !RenameFile(WideToUtf8(temporary), path)) {
    const DWORD error = ::GetLastError();
    ::DeleteFileW(temporary.c_str());
    ::SetLastError(error);
    return false;
  }
  return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view text, FileAccess access) {
  return WriteFileAtomically(
      path, std::span(reinterpret_cast<const unsigned char*>(text.data()), text.size()), access);
}

}  // namespace platform
