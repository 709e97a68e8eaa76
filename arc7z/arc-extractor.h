#pragma once
// Unpacks every item of an archive file into a folder.
#include <string>

#include "arc7z/arc-handler.h"

namespace arc7z {

class ArcExtractor : public ArcOpener {
 public:
  ArcExtractor(const SevenZipLibrary& library, const ArcFormat& format)
      : ArcOpener(library, format) {}

  const ArcFormat& format() const override { return ArcOpener::format(); }
  void setPassword(const std::wstring& password) override { ArcOpener::setPassword(password); }
  ~ArcExtractor() override;

  // Writes the archive's items below `outputFolder` (the current folder when empty). Items
  // whose paths would lead outside it are refused. Throws ArcException on any failure; items
  // finished before it stay on disk.
  void extract(const std::wstring& archivePath, const std::wstring& outputFolder) const;
};

}  // namespace arc7z
