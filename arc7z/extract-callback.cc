#include "arc7z/extract-callback.h"

#include <algorithm>

#include "arc7z/arc-handler.h"
#include "arc7z/arc-input-archive.h"
#include "arc7z/arc-propvariant.h"
#include "arc7z/file-streams.h"
#include "arc7z/arc-exception.h"
#include "arc7z/file-utils.h"
#include "arc7z/item-names.h"
#include "platform/encoding.h"
#include "platform/file.h"

namespace arc7z {
namespace {

bool isSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

std::string utf8(const std::wstring& path) { return platform::WideToUtf8(path); }

constexpr UInt32 kModeTypeMask = 0170000;
constexpr UInt32 kModeSymlink = 0120000;
// Short enough that the temporary name stays within a file name's 255 bytes.
constexpr std::size_t kTempStemLength = 40;

std::wstring parentOf(const std::wstring& relativePath) {
  const auto last = relativePath.rfind(L'/');
  return last == std::wstring::npos ? std::wstring() : relativePath.substr(0, last);
}

}  // namespace

ExtractCallback::~ExtractCallback() = default;

HRESULT ARC7Z_STDCALL ExtractCallback::QueryInterface(const GUID& iid, void** object) {
  if (iid == IID_IUnknown || iid == IID_IProgress || iid == IID_IArchiveExtractCallback) {
    *object = static_cast<IArchiveExtractCallback*>(this);
  } else if (iid == IID_ICompressProgressInfo) {
    *object = static_cast<ICompressProgressInfo*>(this);
  } else if (iid == IID_ICryptoGetTextPassword) {
    *object = static_cast<ICryptoGetTextPassword*>(this);
  } else {
    *object = nullptr;
    return kErrorNoInterface;
  }
  addReference();
  return kResultOk;
}

HRESULT ARC7Z_STDCALL ExtractCallback::SetTotal(UInt64 total) {
  try {
    if (handler_.totalHook()) handler_.totalHook()(total);
    return kResultOk;
  } catch (...) {
    return kErrorAbort;
  }
}

HRESULT ARC7Z_STDCALL ExtractCallback::SetCompleted(const UInt64* completeValue) {
  try {
    if (handler_.progressHook() && completeValue != nullptr) handler_.progressHook()(*completeValue);
    return kResultOk;
  } catch (...) {
    return kErrorAbort;
  }
}

HRESULT ARC7Z_STDCALL ExtractCallback::SetRatioInfo(const UInt64* inSize, const UInt64* outSize) {
  try {
    if (handler_.ratioHook() && inSize != nullptr && outSize != nullptr) {
      handler_.ratioHook()(*inSize, *outSize);
    }
    return kResultOk;
  } catch (...) {
    return kErrorAbort;
  }
}

HRESULT ARC7Z_STDCALL ExtractCallback::CryptoGetTextPassword(BSTR* password) {
  return providePassword(password, kErrorFail);
}

FileExtractCallback::FileExtractCallback(const ArcHandler& handler,
                                         const ArcInputArchive& inputArchive,
                                         const std::wstring& archivePath,
                                         const std::wstring& outputFolder,
                                         ExtractSafeguards safeguards)
    : ExtractCallback(handler, inputArchive),
      archivePath_(archivePath),
      outputFolder_(outputFolder),
      safeguards_(std::move(safeguards)),
      umask_(platform::ProcessUmask()) {
  if (!outputFolder_.empty() && outputFolder_.back() != L'/') outputFolder_ += L'/';
}

FileExtractCallback::~FileExtractCallback() = default;

HRESULT ARC7Z_STDCALL FileExtractCallback::GetStream(UInt32 index, ISequentialOutStream** outStream,
                                       Int32 askExtractMode) {
  try {
    return prepareItem(index, outStream, askExtractMode);
  } catch (...) {
    return kErrorOutOfMemory;
  }
}

HRESULT FileExtractCallback::prepareItem(UInt32 index, ISequentialOutStream** outStream,
                                         Int32 askExtractMode) {
  *outStream = nullptr;
  discardCurrentFile();
  itemReady_ = false;
  isCompletionFile_ = false;

  const ArcPropVariant path = inputArchive_.itemProperty(index, kpidPath);
  if (path.isEmpty()) {
    itemPath_ = archivePath_.empty() ? L"[Content]" : fileName(archivePath_, false);
  } else if (path.isString()) {
    itemPath_ = path.getString();
  } else {
    return kErrorFail;
  }
  if (askExtractMode != kAskExtract) return kResultOk;

  const ArcPropVariant attributes = inputArchive_.itemProperty(index, kpidAttrib);
  attributesPresent_ = !attributes.isEmpty();
  if (attributesPresent_ && !attributes.isUInt32()) return kErrorFail;
  attributes_ = attributesPresent_ ? attributes.getUInt32() : 0;

  isFolder_ = inputArchive_.isItemFolder(index);

  const ArcPropVariant time = inputArchive_.itemProperty(index, kpidMTime);
  timePresent_ = !time.isEmpty();
  if (timePresent_ && time.vt != VT_FILETIME) return kErrorFail;
  if (timePresent_) modificationTime_ = time.getFileTime();

  // Two names that differ only where the conversion loses something would meet in one file.
  if (!convertsExactly(itemPath_)) {
    errorMessage_ = L"Cannot convert item name to a file name: " + printableName(itemPath_);
    return kErrorAbort;
  }
  const auto relative = safeRelativePath(itemPath_);
  if (!relative || (kWindowsFileNames && isUnsafeOnWindows(itemPath_)) || (relative->empty() && !isFolder_) || !staysInside(*relative, isFolder_)) {
    errorMessage_ = L"Cannot extract item outside the output folder: " + printableName(itemPath_);
    return kErrorAbort;
  }
  const auto place = resolvedPlace(*relative);
  if (!place || isProtected(*place)) {
    errorMessage_ = L"Cannot extract item over the launcher's own files: " + printableName(itemPath_);
    return kErrorAbort;
  }
  diskPath_ = outputFolder_ + *relative;

  if (isFolder_) {
    prepareFolder(*relative);
    itemReady_ = true;
    // The output folder itself (an item "." or "./") keeps its own permissions.
    if (relative->empty()) attributesPresent_ = false;
    return kResultOk;
  }

  const std::wstring folder = parentOf(*relative);
  std::wstring stem = fileName(*relative, true).substr(0, kTempStemLength);
  if (!stem.empty() && stem.back() >= 0xD800 && stem.back() <= 0xDBFF) stem.pop_back();
  tempPath_ = outputFolder_ + (folder.empty() ? L"" : folder + L"/") + L"." + stem + L"." +
              std::to_wstring(index) + L".cvl-part";
  const auto tempPlace = resolvedPlace(tempPath_.substr(outputFolder_.size()));
  if (!tempPlace || placesWritten_.contains(*place) || placesWritten_.contains(*tempPlace)) {
    errorMessage_ = L"Cannot extract two items into one file: " + printableName(itemPath_);
    return kErrorAbort;
  }
  placesWritten_.insert(*place);
  prepareFolder(folder);
  itemReady_ = true;

  if (handler_.fileHook()) handler_.fileHook()(fileName(diskPath_, true));

  // A folder in the item's way is not the archive's to remove.
  if (const auto status = platform::StatusOf(utf8(diskPath_), platform::LinkPolicy::noFollow);
      status && status->isDirectory) {
    errorMessage_ = L"Cannot delete output file " + printableName(diskPath_);
    return kErrorAbort;
  }
  auto stream = ComPtr<COutFileStream>(new COutFileStream);
  if (!stream->open(tempPath_)) {
    errorMessage_ = L"Cannot open output file " + printableName(diskPath_);
    return kErrorAbort;
  }
  isCompletionFile_ = !safeguards_.completionFile.empty() && utf8(*relative) == safeguards_.completionFile;
  if (isCompletionFile_) placesWritten_.insert(*tempPlace);
  outStream_ = stream;
  *outStream = stream.detach();
  return kResultOk;
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

std::optional<std::string> FileExtractCallback::resolvedPlace(const std::wstring& relativePath) {
  // One resolution per folder: the last component is never a link the item would follow.
  const std::wstring folder = parentOf(relativePath);
  const std::string key = utf8(folder);
  auto found = resolvedFolders_.find(key);
  if (found == resolvedFolders_.end()) {
    std::wstring path = outputFolder_ + folder;
    if (!path.empty() && path.back() == L'/') path.pop_back();
    const auto resolved = resolvedPath(utf8(path));
    if (!resolved) return std::nullopt;
    found = resolvedFolders_.emplace(key, *resolved).first;
  }
  if (relativePath.empty()) return found->second;
  const std::string name = utf8(folder.empty() ? relativePath : relativePath.substr(folder.size() + 1));
  return (found->second == "/" ? "" : found->second) + "/" + name;
}

bool FileExtractCallback::isProtected(const std::string& place) const {
  for (const std::string& path : safeguards_.protectedPaths) {
    if (place == path || (place.size() > path.size() && place.starts_with(path) &&
                          (place[path.size()] == '/' || path == "/"))) {
      return true;
    }
  }
  return false;
}

void FileExtractCallback::prepareFolder(const std::wstring& relativeFolder) {
  if (!preparedFolders_.insert(relativeFolder).second) return;
  std::wstring level = outputFolder_.empty() ? L"." : outputFolder_.substr(0, outputFolder_.size() - 1);
  if (level.empty()) level = L"/";
  makeWritable(utf8(level));
  for (std::size_t start = 0; start < relativeFolder.size();) {
    std::size_t end = relativeFolder.find(L'/', start);
    if (end == std::wstring::npos) end = relativeFolder.size();
    level = outputFolder_ + relativeFolder.substr(0, end);
    makeWritable(utf8(level));
    start = end + 1;
  }
  // The install folder need not exist before the first run.
  if (!relativeFolder.empty()) {
    createFolderChain(outputFolder_ + relativeFolder);
  } else if (!outputFolder_.empty()) {
    createFolderChain(outputFolder_);
  }
}

void FileExtractCallback::makeWritable(const std::string& folder) {
  const auto status = platform::StatusOf(folder, platform::LinkPolicy::noFollow);
  if (!status || !status->isDirectory || (status->permissions & 0200) != 0) return;
  if (platform::SetFolderPermissions(folder, (status->permissions | 0200) & 07777)) {
    folderModesToRestore_.emplace_back(folder, status->permissions & 07777);
  }
}

HRESULT ARC7Z_STDCALL FileExtractCallback::PrepareOperation(Int32 askExtractMode) {
  extractMode_ = askExtractMode == kAskExtract;
  return kResultOk;
}

std::optional<UInt32> FileExtractCallback::fileMode() const {
  if (!extractMode_ || !attributesPresent_) return std::nullopt;
  // Archives made on Unix carry a POSIX mode: its permission bits pass the umask, never the
  // set-id or sticky bits. A link item is written as a plain file and keeps a new file's mode.
  if ((attributes_ & kAttribUnixExtension) != 0) {
    const UInt32 mode = attributes_ >> 16;
    if ((mode & kModeTypeMask) == kModeSymlink) return std::nullopt;
    return mode & 0777 & ~umask_;
  }
  // Windows' read-only bit means no write permission.
  if ((attributes_ & kAttribReadOnly) != 0) return 0666 & ~umask_ & ~0222u;
  return std::nullopt;
}

std::wstring FileExtractCallback::writeFailureText(const std::wstring& path, int errorNumber) const {
  return L"Cannot write output file " + printableName(path) + L": " +
         platform::Utf8ToWide(platform::ErrorText(errorNumber));
}

std::wstring FileExtractCallback::errorMessage() const {
  if (outStream_ && outStream_->failure() != 0) {
    return writeFailureText(diskPath_, outStream_->failure());
  }
  return errorMessage_;
}

void FileExtractCallback::discardCurrentFile() {
  if (!outStream_) return;
  outStream_->close();
  outStream_.reset();
  platform::RemoveFile(utf8(tempPath_));
}

HRESULT ARC7Z_STDCALL FileExtractCallback::SetOperationResult(Int32 opRes) {
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
      const bool good = opRes == kOpOK && outStream_->failure() == 0;
      if (good) {
        if (timePresent_) outStream_->setModificationTime(modificationTime_);
        if (const auto mode = fileMode()) outStream_->setPermissions(*mode);
      }
      const HRESULT closed = outStream_->close();
      if (!good || closed != kResultOk) {
        if (outStream_->failure() != 0) {
          errorMessage_ = writeFailureText(diskPath_, outStream_->failure());
          if (opRes == kOpOK) ++errorCount_;
        }
        discardCurrentFile();
        itemReady_ = false;
        return closed != kResultOk ? closed : kErrorFail;
      }
      outStream_.reset();
      if (isCompletionFile_) {
        heldTempPath_ = tempPath_;
        heldDiskPath_ = diskPath_;
      } else if (!platform::RenameFile(utf8(tempPath_), utf8(diskPath_))) {
        const int error = platform::LastErrorNumber();
        errorMessage_ = writeFailureText(diskPath_, error);
        ++errorCount_;
        platform::RemoveFile(utf8(tempPath_));
        itemReady_ = false;
        return resultFromErrorNumber(error);
      }
    }
    if (isFolder_ && extractMode_ && itemReady_ && attributesPresent_ &&
        (attributes_ & kAttribUnixExtension) != 0) {
      folderAttributes_.emplace_back(diskPath_, (attributes_ >> 16) & 0777 & ~umask_);
    }
    itemReady_ = false;
    return errorCount_ != 0 ? kErrorFail : kResultOk;
  } catch (...) {
    return kErrorOutOfMemory;
  }
}

void FileExtractCallback::begin() {
  if (safeguards_.completionFile.empty()) return;
  const std::string path = utf8(outputFolder_) + safeguards_.completionFile;
  if (const auto status = platform::StatusOf(path, platform::LinkPolicy::noFollow);
      status && !status->isDirectory) {
    platform::RemoveFile(path);
  }
}

void FileExtractCallback::complete() {
  if (heldTempPath_.empty()) return;
  const std::wstring temp = std::exchange(heldTempPath_, std::wstring());
  if (!platform::RenameFile(utf8(temp), utf8(heldDiskPath_))) {
    const int error = platform::LastErrorNumber();
    platform::RemoveFile(utf8(temp));
    throw ArcException(writeFailureText(heldDiskPath_, error), ArcException::SystemError{error});
  }
}

void FileExtractCallback::abandon() {
  discardCurrentFile();
  if (!heldTempPath_.empty()) platform::RemoveFile(utf8(std::exchange(heldTempPath_, std::wstring())));
}

void FileExtractCallback::applyFolderAttributes() {
  for (auto restore = folderModesToRestore_.rbegin(); restore != folderModesToRestore_.rend(); ++restore) {
    platform::SetFolderPermissions(restore->first, restore->second);
  }
  folderModesToRestore_.clear();
  std::sort(folderAttributes_.begin(), folderAttributes_.end(),
            [](const auto& a, const auto& b) { return a.first > b.first; });
  for (const auto& [path, mode] : folderAttributes_) {
    platform::SetFolderPermissions(utf8(path), mode);
  }
  folderAttributes_.clear();
}

}  // namespace arc7z
