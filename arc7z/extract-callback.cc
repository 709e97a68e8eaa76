#include "arc7z/extract-callback.h"

#include <algorithm>

#include "arc7z/arc-handler.h"
#include "arc7z/arc-input-archive.h"
#include "arc7z/arc-propvariant.h"
#include "arc7z/file-streams.h"
#include "arc7z/file-utils.h"
#include "platform/encoding.h"
#include "platform/file.h"

namespace arc7z {
namespace {

bool isSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

std::string utf8(const std::wstring& path) { return platform::WideToUtf8(path); }

}  // namespace

ExtractCallback::~ExtractCallback() = default;

HRESULT ExtractCallback::QueryInterface(const GUID& iid, void** object) {
  if (iid == IID_IUnknown || iid == IID_IProgress || iid == IID_IArchiveExtractCallback) {
    *object = static_cast<IArchiveExtractCallback*>(this);
  } else if (iid == IID_ICompressProgressInfo) {
    *object = static_cast<ICompressProgressInfo*>(this);
  } else if (iid == IID_ICryptoGetTextPassword) {
    *object = static_cast<ICryptoGetTextPassword*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  addReference();
  return S_OK;
}

HRESULT ExtractCallback::SetTotal(UInt64 total) {
  try {
    if (handler_.totalHook()) handler_.totalHook()(total);
    return S_OK;
  } catch (...) {
    return E_ABORT;
  }
}

HRESULT ExtractCallback::SetCompleted(const UInt64* completeValue) {
  try {
    if (handler_.progressHook() && completeValue != nullptr) handler_.progressHook()(*completeValue);
    return S_OK;
  } catch (...) {
    return E_ABORT;
  }
}

HRESULT ExtractCallback::SetRatioInfo(const UInt64* inSize, const UInt64* outSize) {
  try {
    if (handler_.ratioHook() && inSize != nullptr && outSize != nullptr) {
      handler_.ratioHook()(*inSize, *outSize);
    }
    return S_OK;
  } catch (...) {
    return E_ABORT;
  }
}

HRESULT ExtractCallback::CryptoGetTextPassword(BSTR* password) {
  return providePassword(password, E_FAIL);
}

FileExtractCallback::FileExtractCallback(const ArcHandler& handler,
                                         const ArcInputArchive& inputArchive,
                                         const std::wstring& archivePath,
                                         const std::wstring& outputFolder)
    : ExtractCallback(handler, inputArchive), archivePath_(archivePath), outputFolder_(outputFolder) {
  if (!outputFolder_.empty() && outputFolder_.back() != L'/') outputFolder_ += L'/';
}

FileExtractCallback::~FileExtractCallback() = default;

HRESULT FileExtractCallback::GetStream(UInt32 index, ISequentialOutStream** outStream,
                                       Int32 askExtractMode) {
  try {
    return prepareItem(index, outStream, askExtractMode);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT FileExtractCallback::prepareItem(UInt32 index, ISequentialOutStream** outStream,
                                         Int32 askExtractMode) {
  *outStream = nullptr;
  outStream_.reset();
  itemReady_ = false;

  const ArcPropVariant path = inputArchive_.itemProperty(index, kpidPath);
  if (path.isEmpty()) {
    itemPath_ = archivePath_.empty() ? L"[Content]" : fileName(archivePath_, false);
  } else if (path.isString()) {
    itemPath_ = path.getString();
  } else {
    return E_FAIL;
  }
  if (askExtractMode != kAskExtract) return S_OK;

  const ArcPropVariant attributes = inputArchive_.itemProperty(index, kpidAttrib);
  attributesPresent_ = !attributes.isEmpty();
  if (attributesPresent_ && !attributes.isUInt32()) return E_FAIL;
  attributes_ = attributesPresent_ ? attributes.getUInt32() : 0;

  isFolder_ = inputArchive_.isItemFolder(index);

  const ArcPropVariant time = inputArchive_.itemProperty(index, kpidMTime);
  timePresent_ = !time.isEmpty();
  if (timePresent_ && time.vt != VT_FILETIME) return E_FAIL;
  if (timePresent_) modificationTime_ = time.getFileTime();

  const auto relative = safeRelativePath(itemPath_);
  if (!relative || (relative->empty() && !isFolder_) || !staysInside(*relative, isFolder_)) {
    errorMessage_ = L"Cannot extract item outside the output folder: " + itemPath_;
    return E_ABORT;
  }
  // The item's folder, or the output folder itself for an item without a folder part: the
  // install folder need not exist before the first run.
  if (const auto last = relative->rfind(L'/'); last != std::wstring::npos) {
    createFolderChain(outputFolder_ + relative->substr(0, last));
  } else if (!outputFolder_.empty()) {
    createFolderChain(outputFolder_);
  }
  diskPath_ = outputFolder_ + *relative;
  itemReady_ = true;

  if (isFolder_) {
    createFolderChain(diskPath_.empty() ? L"." : diskPath_);
    // The output folder itself (an item "." or "./") keeps its own permissions.
    if (relative->empty()) attributesPresent_ = false;
    return S_OK;
  }

  if (handler_.fileHook()) handler_.fileHook()(fileName(diskPath_, true));

  FileItem existing;
  if (findFileInfo(diskPath_, existing) && !deleteFileForce(diskPath_)) {
    errorMessage_ = L"Cannot delete output file " + diskPath_;
    return E_ABORT;
  }
  auto stream = ComPtr<COutFileStream>(new COutFileStream);
  if (!stream->open(diskPath_)) {
    errorMessage_ = L"Cannot open output file " + diskPath_;
    return E_ABORT;
  }
  outStream_ = stream;
  *outStream = stream.detach();
  return S_OK;
}

std::optional<std::wstring> FileExtractCallback::safeRelativePath(const std::wstring& itemPath) const {
  if (!itemPath.empty() && isSeparator(itemPath.front())) return std::nullopt;
  std::wstring relative;
  std::size_t start = 0;
  while (start <= itemPath.size()) {
    std::size_t end = start;
    while (end < itemPath.size() && !isSeparator(itemPath[end])) ++end;
    const std::wstring component = itemPath.substr(start, end - start);
    if (component == L"..") return std::nullopt;
    if (!component.empty() && component != L".") {
      if (!relative.empty()) relative += L'/';
      relative += component;
    }
    start = end + 1;
  }
  return relative;
}

bool FileExtractCallback::staysInside(const std::wstring& relativePath, bool includeLast) const {
  // A symbolic link already in the output folder could lead the item elsewhere. Levels that do
  // not exist yet are made as plain folders, so the walk stops at the first one missing.
  std::optional<std::string> root;
  std::size_t end = 0;
  while (end < relativePath.size()) {
    end = relativePath.find(L'/', end + 1);
    if (end == std::wstring::npos) {
      if (!includeLast) break;
      end = relativePath.size();
    }
    const std::string level = utf8(outputFolder_ + relativePath.substr(0, end));
    const auto status = platform::StatusOf(level, platform::LinkPolicy::noFollow);
    if (!status) return true;
    if (!status->isSymlink) continue;
    if (!root) {
      root = platform::CanonicalPath(outputFolder_.empty() ? "." : utf8(outputFolder_));
      if (!root) return false;
    }
    const auto target = platform::CanonicalPath(level);
    if (!target) return false;
    const bool inside = *target == *root ||
                        (target->size() > root->size() && target->starts_with(*root) &&
                         ((*target)[root->size()] == '/' || *root == "/"));
    if (!inside) return false;
  }
  return true;
}

HRESULT FileExtractCallback::PrepareOperation(Int32 askExtractMode) {
  extractMode_ = askExtractMode == kAskExtract;
  return S_OK;
}

HRESULT FileExtractCallback::SetOperationResult(Int32 opRes) {
  try {
    if (opRes != kOpOK) {
      ++errorCount_;
      switch (opRes) {
        case kOpUnsupportedMethod: errorMessage_ = L"Unsupported Method"; break;
        case kOpDataError: errorMessage_ = L"Data Error"; break;
        case kOpCRCError: errorMessage_ = L"CRC Failed"; break;
        default: errorMessage_ = L"Unknown Error"; break;
      }
    }
    if (outStream_) {
      if (timePresent_) outStream_->setModificationTime(modificationTime_);
      if (const HRESULT closed = outStream_->close(); closed != S_OK) return closed;
    }
    outStream_.reset();
    if (extractMode_ && itemReady_ && attributesPresent_) {
      if (isFolder_) {
        folderAttributes_.emplace_back(diskPath_, attributes_);
      } else {
        applyAttributes(diskPath_, attributes_, false);
      }
    }
    itemReady_ = false;
    return errorCount_ != 0 ? E_FAIL : S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

void FileExtractCallback::applyFolderAttributes() {
  std::sort(folderAttributes_.begin(), folderAttributes_.end(),
            [](const auto& a, const auto& b) { return a.first > b.first; });
  for (const auto& [path, attributes] : folderAttributes_) {
    applyAttributes(path, attributes, true);
  }
  folderAttributes_.clear();
}

void FileExtractCallback::applyAttributes(const std::wstring& path, UInt32 attributes,
                                          bool folder) {
  // Archives made on Unix carry a POSIX mode; only its permission bits are taken, never the
  // set-id or sticky bits and never a file type.
  if ((attributes & kAttribUnixExtension) != 0) {
    platform::SetPermissions(utf8(path), (attributes >> 16) & 0777);
    return;
  }
  // Windows' read-only bit means no write permission; on a folder it is only a shell flag.
  if (!folder && (attributes & kAttribReadOnly) != 0) {
    if (const auto status = platform::StatusOf(utf8(path), platform::LinkPolicy::noFollow)) {
      platform::SetPermissions(utf8(path), status->mode & ~0222u);
    }
  }
}

}  // namespace arc7z
