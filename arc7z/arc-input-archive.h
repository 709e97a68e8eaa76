#pragma once
// An archive file opened by the plug-in, with its items' properties and extraction.
#include <string>
#include <vector>

#include "arc7z/arc-propvariant.h"
#include "arc7z/sevenzip.h"

namespace arc7z {

class ArcHandler;
class ExtractCallback;
struct ArcFormat;

class ArcInputArchive {
 public:
  // Opens the archive with the handler's format and settings, or throws ArcException.
  ArcInputArchive(const ArcHandler& handler, const std::wstring& path);
  ArcInputArchive(const ArcInputArchive&) = delete;
  ArcInputArchive& operator=(const ArcInputArchive&) = delete;
  virtual ~ArcInputArchive();

  ArcPropVariant itemProperty(UInt32 index, PROPID propID) const;
  bool isItemFolder(UInt32 index) const;
  UInt32 itemsCount() const;
  // Extracts the listed items (all of them for an empty list) through `callback`; throws the
  // callback's last error text with 7-Zip's result when that is not kResultOk.
  void extractItems(const std::vector<UInt32>& indices, ExtractCallback* callback) const;
  const ArcFormat& format() const { return format_; }

 private:
  IInArchive* archive_ = nullptr;
  const ArcFormat& format_;
};

}  // namespace arc7z
