#include "arc7z/arc-extractor.h"

#include "arc7z/arc-exception.h"
#include "arc7z/arc-input-archive.h"
#include "arc7z/com-ptr.h"
#include "arc7z/extract-callback.h"
#include "arc7z/file-utils.h"
#include "arc7z/item-names.h"
#include "platform/disk-space.h"
#include "platform/encoding.h"

namespace arc7z {
namespace {

// Windows' ERROR_DISK_FULL as a result code.
constexpr HRESULT kDiskFull = static_cast<HRESULT>(0x80070070u);

UInt64 declaredSize(const ArcInputArchive& archive) {
  UInt64 total = 0;
  const UInt32 count = archive.itemsCount();
  for (UInt32 index = 0; index < count; ++index) {
    const ArcPropVariant size = archive.itemProperty(index, kpidSize);
    if (size.kind() == ArcPropKind::uint64) {
      total += size.uhVal;
    } else if (size.isUInt32()) {
      total += size.getUInt32();
    }
  }
  return total;
}

// A package that declares more than the disk holds would fill it for every other program too.
void checkFreeSpace(const ArcInputArchive& archive, const std::wstring& outputFolder) {
  const auto available = platform::FreeSpaceFor(platform::WideToUtf8(outputFolder));
  if (!available) return;
  const UInt64 needed = declaredSize(archive);
  if (needed > *available) {
    throw ArcException(L"Not enough free space in " + printableName(outputFolder) + L": " +
                           std::to_wstring(needed) + L" bytes needed, " + std::to_wstring(*available) +
                           L" free",
                       kDiskFull);
  }
}

ExtractSafeguards safeguardsFor(const std::vector<std::wstring>& protectedPaths,
                                const std::wstring& completionFile) {
  ExtractSafeguards safeguards;
  for (const std::wstring& path : protectedPaths) {
    if (auto resolved = resolvedPath(platform::WideToUtf8(path))) {
      safeguards.protectedPaths.push_back(std::move(*resolved));
    }
  }
  std::string relative = platform::WideToUtf8(completionFile);
  while (relative.starts_with("./")) relative.erase(0, 2);
  safeguards.completionFile = std::move(relative);
  return safeguards;
}

}  // namespace

ArcExtractor::~ArcExtractor() = default;

void ArcExtractor::extract(const std::wstring& archivePath, const std::wstring& outputFolder) const {
  const ArcInputArchive inputArchive(*this, archivePath);
  checkFreeSpace(inputArchive, outputFolder);
  const auto callback = ComPtr<FileExtractCallback>(new FileExtractCallback(
      *this, inputArchive, archivePath, outputFolder, safeguardsFor(protectedPaths_, completionFile_)));
  callback->begin();
  try {
    inputArchive.extractItems({}, callback.get());
    callback->complete();
  } catch (...) {
    callback->abandon();
    callback->applyFolderAttributes();
    throw;
  }
  callback->applyFolderAttributes();
}

}  // namespace arc7z
