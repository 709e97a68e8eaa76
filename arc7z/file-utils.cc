#include "arc7z/file-utils.h"

#include <algorithm>
#include <vector>

#include "arc7z/arc-exception.h"
#include "platform/encoding.h"
#include "platform/file.h"

namespace arc7z {
namespace {

constexpr Int64 kUnixEpochTicks = 116444736000000000;  // 1970-01-01 in 100-ns ticks since 1601

bool isFolderPath(const std::string& path) {
  const auto status = platform::StatusOf(path, platform::LinkPolicy::follow);
  return status && status->isDirectory;
}

FileFindData findDataFrom(const platform::FileStatus& status, const std::wstring& path) {
  FileFindData data;
  data.attributes = attributesOf(status);
  data.creationTime = fileTimeFromNanoseconds(status.changeTime);
  data.lastAccessTime = fileTimeFromNanoseconds(status.accessTime);
  data.lastWriteTime = fileTimeFromNanoseconds(status.modificationTime);
  data.size = status.isDirectory ? 0 : status.size;
  data.fileName = fileName(path, true);
  return data;
}

}  // namespace

UInt32 attributesFromMode(UInt32 mode) {
  const bool folder = (mode & 0170000) == 0040000;
  UInt32 attributes = folder ? kAttribDirectory : kAttribArchive;
  if ((mode & 0222) == 0) attributes |= kAttribReadOnly;
  return attributes | kAttribUnixExtension | ((mode & 0xFFFF) << 16);
}

UInt32 attributesOf(const platform::FileStatus& status) {
  // The archive format keeps the POSIX file-type bits beside the permission bits.
  constexpr UInt32 kFolder = 0040000, kRegular = 0100000, kSymlink = 0120000;
  const UInt32 type = status.isDirectory ? kFolder : status.isSymlink ? kSymlink : status.isRegular ? kRegular : 0;
  return attributesFromMode(type | status.permissions);
}

FILETIME fileTimeFromNanoseconds(Int64 unixNanoseconds) {
  Int64 ticks = unixNanoseconds / 100;
  if (unixNanoseconds % 100 < 0) --ticks;
  const auto value = static_cast<UInt64>(ticks + kUnixEpochTicks);
  return FILETIME{static_cast<UInt32>(value), static_cast<UInt32>(value >> 32)};
}

Int64 nanosecondsFromFileTime(FILETIME time) {
  const UInt64 ticks = (static_cast<UInt64>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return (static_cast<Int64>(ticks) - kUnixEpochTicks) * 100;
}

FileItem::FileItem(std::wstring path, std::wstring inArchivePath)
    : path_(std::move(path)), inArchivePath_(std::move(inArchivePath)) {
  // "dir/" names the folder itself.
  if (path_.size() > 1 && path_.back() == L'/') {
    const auto status = platform::StatusOf(platform::WideToUtf8(path_), platform::LinkPolicy::follow);
    if (!status || status->isDirectory) path_.pop_back();
  }
  const auto status = platform::StatusOf(platform::WideToUtf8(path_), platform::LinkPolicy::follow);
  if (!status) {
    throw ArcException(L"Invalid path '" + path_ + L"'!",
                       ArcException::SystemError{platform::LastErrorNumber()});
  }
  data_ = findDataFrom(*status, path_);
}

bool createFolderChain(const std::wstring& path) {
  std::string current = platform::WideToUtf8(path);
  if (isFolderPath(current)) return true;
  if (current == "/") return true;
  if (!current.empty() && current.back() == '/') current.pop_back();

  // Walk up until one level can be made (or exists), then make the cut-off levels below it.
  std::vector<std::string> below;
  while (!platform::MakeDirectory(current)) {
    if (platform::LastErrorKind() == platform::ErrorKind::alreadyExists) {
      if (isFolderPath(current)) break;
      platform::SetLastErrorKind(platform::ErrorKind::alreadyExists);
      return false;
    }
    const auto cut = current.rfind('/');
    if (cut == std::string::npos || cut == 0) return false;
    below.push_back(current);
    current.erase(cut);
  }
  for (auto level = below.rbegin(); level != below.rend(); ++level) {
    if (!platform::MakeDirectory(*level)) return false;
  }
  return true;
}

bool deleteFileForce(const std::wstring& path) {
  const std::string target = platform::WideToUtf8(path);
  const auto status = platform::StatusOf(target, platform::LinkPolicy::noFollow);
  if (!status) return false;
  if (status->isDirectory) {
    platform::SetLastErrorKind(platform::ErrorKind::isDirectory);
    return false;
  }
  // Unlinking needs no write permission on the file itself, so a read-only file's mode is left
  // alone: changing it would also change every other hard link to it.
  return platform::RemoveFile(target);
}

bool findFileInfo(const std::wstring& path, FileItem& entry) {
  const auto status = platform::StatusOf(platform::WideToUtf8(path), platform::LinkPolicy::noFollow);
  if (!status) return false;
  entry = FileItem();
  entry.path_ = path;
  entry.data_ = findDataFrom(*status, path);
  return true;
}

std::optional<std::string> resolvedPath(const std::string& path) {
  if (auto canonical = platform::CanonicalPath(path.empty() ? "." : path)) return canonical;
  const auto cut = path.rfind('/');
  const std::string parent = cut == std::string::npos ? "." : cut == 0 ? "/" : path.substr(0, cut);
  const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  if (name.empty() || parent == path) return std::nullopt;
  auto resolved = resolvedPath(parent);
  if (!resolved || name == ".") return resolved;
  if (name == "..") {
    resolved->erase(std::max<std::size_t>(resolved->rfind('/'), 1));
    return resolved;
  }
  return (*resolved == "/" ? "" : *resolved) + "/" + name;
}

std::wstring fileName(const std::wstring& path, bool withExtension) {
  const auto separator = path.find_last_of(L"/\\");
  std::wstring name = separator == std::wstring::npos ? path : path.substr(separator + 1);
  if (!withExtension) {
    const auto dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
  }
  return name;
}

}  // namespace arc7z
