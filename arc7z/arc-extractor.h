#pragma once
// Unpacks every item of an archive file into a folder.
#include <string>
#include <vector>

#include "arc7z/arc-handler.h"

namespace arc7z {

class ArcExtractor : public ArcOpener {
 public:
  ArcExtractor(const SevenZipLibrary& library, const ArcFormat& format)
      : ArcOpener(library, format) {}

  const ArcFormat& format() const override { return ArcOpener::format(); }
  void setPassword(const std::wstring& password) override { ArcOpener::setPassword(password); }
  ~ArcExtractor() override;

  // Files and folders that no item may replace or land in (compared as absolute paths with
  // their links resolved when extracting).
  void setProtectedPaths(std::vector<std::wstring> paths) { protectedPaths_ = std::move(paths); }
  // The item (a path below the output folder) whose presence tells that an unpacking finished:
  // an earlier copy is removed before the first item is written, and the item is put in place
  // only after every other one. Empty for none.
  void setCompletionFile(std::wstring relativePath) { completionFile_ = std::move(relativePath); }

  // Writes the archive's items below `outputFolder` (the current folder when empty), each file
  // under a temporary name that it takes only once it is complete. Refuses, before writing
  // anything, an archive whose files need more space than the folder's file system has free.
  // Items whose paths would lead outside the folder or onto a protected path, whose names have
  // no exact file name, or that would replace a file written earlier in the same run, are
  // refused. Throws ArcException on any failure; items finished before it stay on disk, the
  // one being written does not.
  void extract(const std::wstring& archivePath, const std::wstring& outputFolder) const;

 private:
  std::vector<std::wstring> protectedPaths_;
  std::wstring completionFile_;
};

}  // namespace arc7z
