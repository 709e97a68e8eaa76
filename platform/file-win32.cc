#include "platform/file.h"

#include <windows.h>

#include <limits>
#include <utility>
#include <vector>

#include "platform/encoding.h"

namespace platform {
namespace {

// Other processes may read, append to, rename and delete our files while they are open (a log
// file is read while it grows, and a rotated one is deleted), as on POSIX systems.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// 1601-01-01 to 1970-01-01 in 100-ns ticks.
constexpr std::int64_t kFileTimeOf1970 = 116444736000000000LL;

// ERROR_DIRECTORY_NOT_SUPPORTED, which not every SDK names: a folder where a file was expected.
constexpr DWORD kErrorIsDirectory = 336;

HANDLE AsHandle(NativeFileHandle handle) { return reinterpret_cast<HANDLE>(handle); }

std::wstring Wide(const std::string& path) { return Utf8ToWide(path); }

std::int64_t NanosecondsFromTicks(std::int64_t ticks) { return (ticks - kFileTimeOf1970) * 100; }

FILETIME FileTimeFromNanoseconds(std::int64_t nanoseconds) {
  // Floor division: times before 1970 round towards the past.
  std::int64_t ticks = nanoseconds / 100;
  if (nanoseconds % 100 < 0) --ticks;
  const auto value = static_cast<std::uint64_t>(ticks + kFileTimeOf1970);
  return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

bool IsSymlinkTag(HANDLE handle, DWORD attributes) {
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag)) return false;
  return tag.ReparseTag == IO_REPARSE_TAG_SYMLINK || tag.ReparseTag == IO_REPARSE_TAG_MOUNT_POINT;
}

std::optional<FileStatus> StatusOfHandle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  FILE_BASIC_INFO times{};
  if (!::GetFileInformationByHandle(handle, &info) ||
      !::GetFileInformationByHandleEx(handle, FileBasicInfo, &times, sizeof times)) {
    return std::nullopt;
  }
  FileStatus s;
  s.isSymlink = IsSymlinkTag(handle, info.dwFileAttributes);
  s.isDirectory = !s.isSymlink && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  s.isRegular = !s.isSymlink && !s.isDirectory && ::GetFileType(handle) == FILE_TYPE_DISK;
  // POSIX permission bits in the same spirit: the read-only attribute takes the write bits away.
  s.permissions = s.isDirectory || s.isSymlink ? 0777 : 0666;
  if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) s.permissions &= ~0222u;
  s.size = s.isDirectory ? 0 : (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  s.device = info.dwVolumeSerialNumber;
  s.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  s.links = info.nNumberOfLinks;
  s.accessTime = NanosecondsFromTicks(times.LastAccessTime.QuadPart);
  s.modificationTime = NanosecondsFromTicks(times.LastWriteTime.QuadPart);
  s.changeTime = NanosecondsFromTicks(times.ChangeTime.QuadPart);
  return s;
}

HANDLE OpenForAttributes(const std::string& path, DWORD access, LinkPolicy links) {
  // Folders open only with backup semantics; a reparse point is looked at itself when asked.
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
  if (links == LinkPolicy::noFollow) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
  return ::CreateFileW(Wide(path).c_str(), access, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr);
}

// POSIX removes and replaces read-only files; Windows refuses until the attribute is cleared.
template <class Step>
bool RetryWritable(const std::wstring& path, Step step) {
  if (step()) return true;
  if (::GetLastError() != ERROR_ACCESS_DENIED) return false;
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0 ||
      (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  if (!::SetFileAttributesW(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY))) return false;
  if (step()) return true;
  const DWORD error = ::GetLastError();
  ::SetFileAttributesW(path.c_str(), attributes);
  ::SetLastError(error);
  return false;
}

bool DeleteWide(const std::wstring& path) {
  return RetryWritable(path, [&] { return ::DeleteFileW(path.c_str()) != 0; });
}

}  // namespace

int LastErrorNumber() { return static_cast<int>(::GetLastError()); }
void SetLastErrorNumber(int number) { ::SetLastError(static_cast<DWORD>(number)); }

std::string ErrorText(int number) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(number), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (length == 0 || buffer == nullptr) return "Unknown error " + std::to_string(number);
  std::wstring text(buffer, length);
  ::LocalFree(buffer);
  // The system's texts end in a full stop and a line break; POSIX's have neither.
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                           text.back() == L'.')) {
    text.pop_back();
  }
  return WideToUtf8(text);
}

ErrorKind LastErrorKind() {
  switch (::GetLastError()) {
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: return ErrorKind::alreadyExists;
    case kErrorIsDirectory: return ErrorKind::isDirectory;
    default: return ErrorKind::other;
  }
}

void SetLastErrorKind(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::alreadyExists: ::SetLastError(ERROR_ALREADY_EXISTS); break;
    case ErrorKind::isDirectory: ::SetLastError(kErrorIsDirectory); break;
    case ErrorKind::other: break;
  }
}

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, kNoFileHandle)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, kNoFileHandle);
  }
  return *this;
}

File::~File() {
  const DWORD saved = ::GetLastError();
  close();
  ::SetLastError(saved);
}

bool File::openForReading(const std::string& path) {
  close();
  const HANDLE handle = ::CreateFileW(Wide(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<NativeFileHandle>(handle);
  return true;
}

bool File::createReplacing(const std::string& path) {
  close();
  const std::wstring wide = Wide(path);
  const auto create = [&] {
    return ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  HANDLE handle = create();
  // Deleting a link removes the link itself, so its target is never written.
  if (handle == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_FILE_EXISTS && DeleteWide(wide)) {
    handle = create();
  }
  if (handle == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<NativeFileHandle>(handle);
  return true;
}

std::optional<std::size_t> File::read(void* buffer, std::size_t size) {
  const DWORD piece = size < std::numeric_limits<DWORD>::max() ? static_cast<DWORD>(size) : MAXDWORD;
  DWORD done = 0;
  if (!::ReadFile(AsHandle(handle_), buffer, piece, &done, nullptr)) {
    if (::GetLastError() == ERROR_BROKEN_PIPE || ::GetLastError() == ERROR_HANDLE_EOF) return 0;
    return std::nullopt;
  }
  return done;
}

std::optional<std::size_t> File::write(const void* data, std::size_t size) {
  const DWORD piece = size < std::numeric_limits<DWORD>::max() ? static_cast<DWORD>(size) : MAXDWORD;
  DWORD done = 0;
  if (!::WriteFile(AsHandle(handle_), data, piece, &done, nullptr)) return std::nullopt;
  return done;
}

std::optional<std::uint64_t> File::seek(std::int64_t offset, SeekOrigin origin) {
  const DWORD method = origin == SeekOrigin::begin ? FILE_BEGIN : origin == SeekOrigin::current ? FILE_CURRENT : FILE_END;
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER position;
  if (!::SetFilePointerEx(AsHandle(handle_), distance, &position, method)) return std::nullopt;
  return static_cast<std::uint64_t>(position.QuadPart);
}

bool File::truncate(std::uint64_t size) {
  if (size > static_cast<std::uint64_t>(INT64_MAX)) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  // Sets the end without moving the file position, as ftruncate does.
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
  return ::SetFileInformationByHandle(AsHandle(handle_), FileEndOfFileInfo, &end, sizeof end) != 0;
}

std::optional<FileStatus> File::status() const { return StatusOfHandle(AsHandle(handle_)); }

bool File::setModificationTime(std::int64_t nanoseconds) {
  const FILETIME time = FileTimeFromNanoseconds(nanoseconds);
  return ::SetFileTime(AsHandle(handle_), nullptr, nullptr, &time) != 0;
}

bool File::setPermissions(std::uint32_t mode) {
  // Only the owner's write bit has a counterpart here: the read-only attribute.
  FILE_BASIC_INFO info{};
  if (!::GetFileInformationByHandleEx(AsHandle(handle_), FileBasicInfo, &info, sizeof info)) return false;
  DWORD attributes = info.FileAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_NORMAL);
  if ((mode & 0200) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
  FILE_BASIC_INFO change{};  // zero times are left as they are
  change.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
  return ::SetFileInformationByHandle(AsHandle(handle_), FileBasicInfo, &change, sizeof change) != 0;
}

bool File::close() {
  if (handle_ == kNoFileHandle) return true;
  // The handle is gone even when closing reports an error, so it is never closed twice.
  return ::CloseHandle(AsHandle(std::exchange(handle_, kNoFileHandle))) != 0;
}

std::optional<FileStatus> StatusOf(const std::string& path, LinkPolicy links) {
  const HANDLE handle = OpenForAttributes(path, FILE_READ_ATTRIBUTES, links);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  auto status = StatusOfHandle(handle);
  const DWORD error = ::GetLastError();
  ::CloseHandle(handle);
  ::SetLastError(error);
  return status;
}

bool MakeDirectory(const std::string& path) { return ::CreateDirectoryW(Wide(path).c_str(), nullptr) != 0; }

bool RemoveFile(const std::string& path) { return DeleteWide(Wide(path)); }

bool RenameFile(const std::string& from, const std::string& to) {
  const std::wstring source = Wide(from);
  const std::wstring target = Wide(to);
  return RetryWritable(target, [&] {
    return ::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  });
}

bool SetFolderPermissions(const std::string& path, std::uint32_t) {
  // Windows folders keep their access in ACLs, which the launcher leaves alone; the call still
  // refuses what is not a folder of its own, as on POSIX.
  const auto status = StatusOf(path, LinkPolicy::noFollow);
  if (!status) return false;
  if (!status->isDirectory) {
    ::SetLastError(status->isSymlink ? ERROR_CANT_ACCESS_FILE : ERROR_DIRECTORY);
    return false;
  }
  return true;
}

std::uint32_t ProcessUmask() { return 0; }  // Windows has no creation mask

std::optional<std::string> CanonicalPath(const std::string& path) {
  const HANDLE handle = OpenForAttributes(path, FILE_READ_ATTRIBUTES, LinkPolicy::follow);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<wchar_t> buffer(MAX_PATH);
  DWORD length;
  for (;;) {
    length = ::GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length < buffer.size()) break;
    buffer.resize(length + 1);
  }
  const DWORD error = ::GetLastError();
  ::CloseHandle(handle);
  if (length == 0) {
    ::SetLastError(error);
    return std::nullopt;
  }
  // "\\?\C:\x" is "C:\x" and "\\?\UNC\server\share" is "\\server\share"; the core compares paths
  // by their '/' separators, which Windows takes as well.
  std::wstring text(buffer.data(), length);
  if (text.starts_with(L"\\\\?\\UNC\\")) {
    text = L"\\\\" + text.substr(8);
  } else if (text.starts_with(L"\\\\?\\")) {
    text.erase(0, 4);
  }
  for (wchar_t& c : text) {
    if (c == L'\\') c = L'/';
  }
  return WideToUtf8(text);
}

bool IsDirectory(const std::string& path) {
  const auto status = StatusOf(path, LinkPolicy::follow);
  return status && status->isDirectory;
}

}  // namespace platform
