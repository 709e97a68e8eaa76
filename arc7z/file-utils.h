#pragma once
// The file-system pieces the archive layer needs: the directory entry of a file, folder chains,
// forced deletion, lookup and path names. Paths are wide; on this system "/" separates folders.
#include <optional>
#include <string>

#include "arc7z/sevenzip.h"
#include "platform/file.h"

namespace arc7z {

// Windows attribute bits as the plug-in uses them; with kAttribUnixExtension the high 16 bits
// hold a POSIX mode.
inline constexpr UInt32 kAttribReadOnly = 0x1;
inline constexpr UInt32 kAttribDirectory = 0x10;
inline constexpr UInt32 kAttribArchive = 0x20;
inline constexpr UInt32 kAttribUnixExtension = 0x8000;

UInt32 attributesFromMode(UInt32 mode);
// The attributes of a file on disk: its POSIX mode rebuilt from the kind and permission bits.
UInt32 attributesOf(const platform::FileStatus& status);
FILETIME fileTimeFromNanoseconds(Int64 unixNanoseconds);
Int64 nanosecondsFromFileTime(FILETIME time);

// What a lookup tells about one directory entry.
struct FileFindData {
  UInt32 attributes = 0;
  FILETIME creationTime{};  // the status-change time: this system keeps no creation time
  FILETIME lastAccessTime{};
  FILETIME lastWriteTime{};
  UInt64 size = 0;
  std::wstring fileName;  // the last component, as on disk
};

class FileItem {
 public:
  FileItem() = default;
  // Looks the file up; throws ArcException "Invalid path '<path>'!" when it is not there.
  explicit FileItem(std::wstring path, std::wstring inArchivePath = {});

  const std::wstring& path() const { return path_; }
  const std::wstring& inArchivePath() const { return inArchivePath_; }
  std::wstring name() const { return data_.fileName; }
  bool isFolder() const { return (data_.attributes & kAttribDirectory) != 0; }
  UInt64 size() const { return data_.size; }
  UInt32 attributes() const { return data_.attributes; }
  FILETIME creationTime() const { return data_.creationTime; }
  FILETIME lastAccessTime() const { return data_.lastAccessTime; }
  FILETIME lastWriteTime() const { return data_.lastWriteTime; }

 private:
  friend bool findFileInfo(const std::wstring& path, FileItem& entry);

  std::wstring path_;
  FileFindData data_;
  std::wstring searchPath_;
  std::wstring inArchivePath_;
};

// Creates the folder and every missing parent; true when it exists as a folder afterwards.
bool createFolderChain(const std::wstring& path);
// Deletes a file even when it is read-only. A symbolic link is deleted, never its target.
bool deleteFileForce(const std::wstring& path);
// Fills `entry` when something (a dangling link included) exists at `path`.
bool findFileInfo(const std::wstring& path, FileItem& entry);
// The absolute place of `path` (UTF-8) with every link of its existing part resolved; the part
// that does not exist yet is taken as written.
std::optional<std::string> resolvedPath(const std::string& path);
// The last component after "/" or "\"; without extension, cut at its last ".".
std::wstring fileName(const std::wstring& path, bool withExtension);

}  // namespace arc7z
