#include "arc7z/arc-input-archive.h"

#include <algorithm>

#include "arc7z/arc-exception.h"
#include "arc7z/arc-handler.h"
#include "arc7z/callback.h"
#include "arc7z/com-ptr.h"
#include "arc7z/extract-callback.h"
#include "arc7z/file-streams.h"
#include "arc7z/item-names.h"
#include "arc7z/sevenzip-library.h"

namespace arc7z {

ArcInputArchive::ArcInputArchive(const ArcHandler& handler, const std::wstring& path)
    : format_(handler.format()) {
  auto stream = ComPtr<CInFileStream>(new CInFileStream);
  if (!stream->open(path)) {
    throw ArcException(L"Cannot open archive file '" + printableName(path) + L"'", 110);
  }
  auto archive = ComPtr<IInArchive>::adopt(handler.library().newInArchive(format_));
  auto openCallback = ComPtr<OpenCallback>(new OpenCallback(handler, path));
  if (archive->Open(stream.get(), nullptr, openCallback.get()) != kResultOk) {
    throw ArcException(L"Cannot open archive '" + printableName(path) + L"'", 110);
  }
  archive_ = archive.detach();
}

ArcInputArchive::~ArcInputArchive() { archive_->Release(); }

ArcPropVariant ArcInputArchive::itemProperty(UInt32 index, PROPID propID) const {
  ArcPropVariant value;
  const HRESULT result = archive_->GetProperty(index, propID, &value);
  if (result != kResultOk) {
    throw ArcException(L"Could not retrieve property for item at index " + std::to_wstring(index),
                       result);
  }
  return value;
}

bool ArcInputArchive::isItemFolder(UInt32 index) const {
  const ArcPropVariant value = itemProperty(index, kpidIsDir);
  return !value.isEmpty() && value.getBool();
}

UInt32 ArcInputArchive::itemsCount() const {
  UInt32 count = 0;
  const HRESULT result = archive_->GetNumberOfItems(&count);
  if (result != kResultOk) throw ArcException(L"Could not retrieve the number of items", result);
  return count;
}

void ArcInputArchive::extractItems(const std::vector<UInt32>& indices,
                                   ExtractCallback* callback) const {
  std::vector<UInt32> ascending(indices);  // the plug-in walks the list in order
  std::sort(ascending.begin(), ascending.end());
  const UInt32* list = ascending.empty() ? nullptr : ascending.data();
  const auto count = ascending.empty() ? 0xFFFFFFFFu : static_cast<UInt32>(ascending.size());
  const HRESULT result =
      archive_->Extract(list, count, 0, static_cast<IArchiveExtractCallback*>(callback));
  if (result != kResultOk) throw ArcException(callback->errorMessage(), result);
}

}  // namespace arc7z
