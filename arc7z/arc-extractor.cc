#include "arc7z/arc-extractor.h"

#include "arc7z/arc-input-archive.h"
#include "arc7z/com-ptr.h"
#include "arc7z/extract-callback.h"

namespace arc7z {

ArcExtractor::~ArcExtractor() = default;

void ArcExtractor::extract(const std::wstring& archivePath, const std::wstring& outputFolder) const {
  const ArcInputArchive inputArchive(*this, archivePath);
  const auto callback = ComPtr<FileExtractCallback>(
      new FileExtractCallback(*this, inputArchive, archivePath, outputFolder));
  try {
    inputArchive.extractItems({}, callback.get());
  } catch (...) {
    callback->applyFolderAttributes();
    throw;
  }
  callback->applyFolderAttributes();
}

}  // namespace arc7z
