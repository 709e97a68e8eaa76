#pragma once
// Files by handle and by path. Paths are UTF-8. Every call that fails returns false (or an
// empty result) and leaves the system error number in LastErrorNumber().
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

int LastErrorNumber();
void SetLastErrorNumber(int number);
// The system's own words for an error number ("No space left on device").
std::string ErrorText(int number);

// The failures callers decide on, named apart from the system's numbering.
enum class ErrorKind { other, alreadyExists, isDirectory };
// What the last failing call of this thread reported.
ErrorKind LastErrorKind();
// Leaves the system's number for `kind` as the last error (kind `other` leaves it alone).
void SetLastErrorKind(ErrorKind kind);

// Times are nanoseconds since 1970-01-01 UTC.
struct FileStatus {
  bool isDirectory = false;
  bool isRegular = false;
  bool isSymlink = false;
  // Who may do what, as POSIX permission bits with the set-id and sticky bits (07777); the kind
  // of the file is in the flags above alone.
  std::uint32_t permissions = 0;
  std::uint64_t size = 0;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t links = 0;
  std::int64_t accessTime = 0;
  std::int64_t modificationTime = 0;
  std::int64_t changeTime = 0;
};

enum class SeekOrigin { begin, current, end };

// The system's handle of an open file, in an integer wide enough for every system's kind.
using NativeFileHandle = std::intptr_t;
inline constexpr NativeFileHandle kNoFileHandle = -1;

// One open file; closed by close() or the destructor. Move-only.
class File {
 public:
  File() = default;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  bool openForReading(const std::string& path);
  // Creates a new file (0666 less the umask); a file or link already at the path is removed
  // first, so whatever it pointed at is never written.
  bool createReplacing(const std::string& path);
  bool isOpen() const { return handle_ != kNoFileHandle; }

  // One system call each; the count moved (0 at the end of the file), or nothing on failure.
  std::optional<std::size_t> read(void* buffer, std::size_t size);
  std::optional<std::size_t> write(const void* data, std::size_t size);
  std::optional<std::uint64_t> seek(std::int64_t offset, SeekOrigin origin);
  bool truncate(std::uint64_t size);
  std::optional<FileStatus> status() const;
  bool setModificationTime(std::int64_t nanoseconds);
  // Permission bits only (mode & 0777), on the open file itself.
  bool setPermissions(std::uint32_t mode);
  bool close();

 private:
  NativeFileHandle handle_ = kNoFileHandle;
};

enum class LinkPolicy { follow, noFollow };

std::optional<FileStatus> StatusOf(const std::string& path, LinkPolicy links);
bool MakeDirectory(const std::string& path);
bool RemoveFile(const std::string& path);
// Moves `from` over `to`, replacing a file there (even a read-only one) in one step.
bool RenameFile(const std::string& from, const std::string& to);
// The mode bits (mode & 07777: the caller decides about set-id and sticky bits) of a folder; a
// symbolic link at `path` makes it fail.
bool SetFolderPermissions(const std::string& path, std::uint32_t mode);
// The process's file-creation mask.
std::uint32_t ProcessUmask();
// The absolute path with every symbolic link resolved; the path must exist.
std::optional<std::string> CanonicalPath(const std::string& path);
// True for an existing folder, or a symbolic link to one.
bool IsDirectory(const std::string& path);

}  // namespace platform
