#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <utility>

namespace platform {
namespace {

std::int64_t Nanoseconds(const struct timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

FileStatus FromStat(const struct stat& st) {
  FileStatus s;
  s.isDirectory = S_ISDIR(st.st_mode);
  s.isRegular = S_ISREG(st.st_mode);
  s.isSymlink = S_ISLNK(st.st_mode);
  s.permissions = st.st_mode & 07777;
  s.size = static_cast<std::uint64_t>(st.st_size);
  s.device = st.st_dev;
  s.inode = st.st_ino;
  s.links = st.st_nlink;
  s.accessTime = Nanoseconds(st.st_atim);
  s.modificationTime = Nanoseconds(st.st_mtim);
  s.changeTime = Nanoseconds(st.st_ctim);
  return s;
}

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

int LastErrorNumber() { return errno; }
void SetLastErrorNumber(int number) { errno = number; }

std::string ErrorText(int number) {
  char buffer[256];
  return ::strerror_r(number, buffer, sizeof buffer);  // the GNU variant: returns the text
}

ErrorKind LastErrorKind() {
  switch (errno) {
    case EEXIST: return ErrorKind::alreadyExists;
    case EISDIR: return ErrorKind::isDirectory;
    default: return ErrorKind::other;
  }
}

void SetLastErrorKind(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::alreadyExists: errno = EEXIST; break;
    case ErrorKind::isDirectory: errno = EISDIR; break;
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
  const int saved = errno;
  close();
  errno = saved;
}

bool File::openForReading(const std::string& path) {
  close();
  handle_ = OpenRetrying(path.c_str(), O_RDONLY);
  return handle_ >= 0;
}

bool File::createReplacing(const std::string& path) {
  close();
  constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW;
  handle_ = OpenRetrying(path.c_str(), kFlags, 0666);
  if (handle_ < 0 && errno == EEXIST && ::unlink(path.c_str()) == 0) {
    handle_ = OpenRetrying(path.c_str(), kFlags, 0666);
  }
  return handle_ >= 0;
}

std::optional<std::size_t> File::read(void* buffer, std::size_t size) {
  ssize_t n;
  do {
    n = ::read(static_cast<int>(handle_), buffer, size);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return std::nullopt;
  return static_cast<std::size_t>(n);
}

std::optional<std::size_t> File::write(const void* data, std::size_t size) {
  ssize_t n;
  do {
    n = ::write(static_cast<int>(handle_), data, size);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return std::nullopt;
  return static_cast<std::size_t>(n);
}

std::optional<std::uint64_t> File::seek(std::int64_t offset, SeekOrigin origin) {
  const int whence = origin == SeekOrigin::begin ? SEEK_SET
                     : origin == SeekOrigin::current ? SEEK_CUR
                                                     : SEEK_END;
  const off_t position = ::lseek(static_cast<int>(handle_), offset, whence);
  if (position < 0) return std::nullopt;
  return static_cast<std::uint64_t>(position);
}

bool File::truncate(std::uint64_t size) {
  if (size > static_cast<std::uint64_t>(INT64_MAX)) {
    errno = EFBIG;
    return false;
  }
  return ::ftruncate(static_cast<int>(handle_), static_cast<off_t>(size)) == 0;
}

std::optional<FileStatus> File::status() const {
  struct stat st;
  if (::fstat(static_cast<int>(handle_), &st) != 0) return std::nullopt;
  return FromStat(st);
}

bool File::setModificationTime(std::int64_t nanoseconds) {
  std::int64_t seconds = nanoseconds / 1'000'000'000;
  std::int64_t rest = nanoseconds % 1'000'000'000;
  if (rest < 0) {  // times before 1970 round towards the past, as timespec wants
    rest += 1'000'000'000;
    --seconds;
  }
  const struct timespec times[2] = {{0, UTIME_OMIT},
                                    {static_cast<time_t>(seconds), static_cast<long>(rest)}};
  return ::futimens(static_cast<int>(handle_), times) == 0;
}

bool File::setPermissions(std::uint32_t mode) {
  return ::fchmod(static_cast<int>(handle_), static_cast<mode_t>(mode & 0777)) == 0;
}

bool File::close() {
  if (handle_ == kNoFileHandle) return true;
  // The descriptor is gone even when close reports an error, so it is never closed twice.
  const int result = ::close(static_cast<int>(std::exchange(handle_, kNoFileHandle)));
  return result == 0 || errno == EINTR;
}

std::optional<FileStatus> StatusOf(const std::string& path, LinkPolicy links) {
  struct stat st;
  const int result =
      links == LinkPolicy::follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
  if (result != 0) return std::nullopt;
  return FromStat(st);
}

bool MakeDirectory(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool RenameFile(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool SetFolderPermissions(const std::string& path, std::uint32_t mode) {
  const int fd = OpenRetrying(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
  if (fd < 0) return false;
  const bool done = ::fchmod(fd, static_cast<mode_t>(mode & 07777)) == 0;
  const int saved = errno;
  ::close(fd);
  errno = saved;
  return done;
}

std::uint32_t ProcessUmask() {
  // Reading the mask with umask() means setting it, which races with other threads creating
  // files; the kernel reports it (since Linux 4.7) without that.
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with("Umask:")) {
      return static_cast<std::uint32_t>(std::strtoul(line.c_str() + 6, nullptr, 8)) & 0777;
    }
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

std::optional<std::string> CanonicalPath(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                       &std::free);
  if (!resolved) return std::nullopt;
  return std::string(resolved.get());
}

bool IsDirectory(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace platform
