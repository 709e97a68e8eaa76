#pragma once
// The objects that answer 7-Zip while it extracts: ExtractCallback reports progress and
// passwords, FileExtractCallback writes each item into a folder.
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "arc7z/callback.h"
#include "arc7z/com-ptr.h"
#include "arc7z/sevenzip.h"

namespace arc7z {

class ArcInputArchive;
class COutFileStream;

class ExtractCallback : public Callback,
                        public IArchiveExtractCallback,
                        public ICompressProgressInfo,
                        public ICryptoGetTextPassword {
 public:
  ExtractCallback(const ArcHandler& handler, const ArcInputArchive& inputArchive)
      : Callback(handler), inputArchive_(inputArchive) {}

  HRESULT ARC7Z_STDCALL QueryInterface(const GUID& iid, void** object) override;
  RefCount ARC7Z_STDCALL AddRef() override { return addReference(); }
  RefCount ARC7Z_STDCALL Release() override { return releaseReference(); }

  // The hooks may be called on the plug-in's own threads.
  HRESULT ARC7Z_STDCALL SetTotal(UInt64 total) override;
  HRESULT ARC7Z_STDCALL SetCompleted(const UInt64* completeValue) override;
  HRESULT ARC7Z_STDCALL SetRatioInfo(const UInt64* inSize, const UInt64* outSize) override;
  HRESULT ARC7Z_STDCALL CryptoGetTextPassword(BSTR* password) override;

 protected:
  ~ExtractCallback() override;

  const ArcInputArchive& inputArchive_;
  bool extractMode_ = true;
  UInt64 errorCount_ = 0;
};

// What an extraction must not touch and what it puts in place last.
struct ExtractSafeguards {
  // Absolute paths, symbolic links resolved: no item may land on one of them or inside it.
  std::vector<std::string> protectedPaths;
  // Below the output folder, "/"-separated; empty for none. This item is put in place only after
  // every other one, so that its presence means the whole archive is there.
  std::string completionFile;
};

// Each file is written under a temporary name beside its place and moved there only once 7-Zip
// has reported it good; a failed or interrupted item leaves nothing at its place.
class FileExtractCallback : public ExtractCallback {
 public:
  FileExtractCallback(const ArcHandler& handler, const ArcInputArchive& inputArchive,
                      const std::wstring& archivePath, const std::wstring& outputFolder,
                      ExtractSafeguards safeguards);

  HRESULT ARC7Z_STDCALL GetStream(UInt32 index, ISequentialOutStream** outStream, Int32 askExtractMode) override;
  HRESULT ARC7Z_STDCALL PrepareOperation(Int32 askExtractMode) override;
  HRESULT ARC7Z_STDCALL SetOperationResult(Int32 opRes) override;
  // A failed write ends the extraction without a result for its item: its reason is the error.
  std::wstring errorMessage() const override;

  // Before the first item: the folder is about to change, so an earlier completion file goes.
  void begin();
  // After a successful extraction: puts the held completion file in place, or throws.
  void complete();
  // After a failed one: removes the item being written and the held completion file.
  void abandon();
  // Folder permissions wait until every file is in place: a folder made read-only earlier
  // would refuse the files that follow. Folders that had to be opened for writing get their
  // own modes back first; then the archive's folders get theirs, deepest first.
  void applyFolderAttributes();

 protected:
  ~FileExtractCallback() override;

 private:
  HRESULT prepareItem(UInt32 index, ISequentialOutStream** outStream, Int32 askExtractMode);
  // The item path as components below the output folder, or nothing when it would leave it.
  std::optional<std::wstring> safeRelativePath(const std::wstring& itemPath) const;
  bool staysInside(const std::wstring& relativePath, bool includeLast) const;
  // Where a path below the output folder really is: absolute, links resolved.
  std::optional<std::string> resolvedPlace(const std::wstring& relativePath);
  bool isProtected(const std::string& place) const;
  // Makes the folders from the output folder down to `relativeFolder`, opening for writing
  // those an earlier run left read-only.
  void prepareFolder(const std::wstring& relativeFolder);
  void makeWritable(const std::string& folder);
  std::optional<UInt32> fileMode() const;
  std::wstring writeFailureText(const std::wstring& path, int errorNumber) const;
  void discardCurrentFile();

  std::wstring archivePath_;
  std::wstring outputFolder_;
  ExtractSafeguards safeguards_;
  UInt32 umask_;
  std::wstring itemPath_;
  std::wstring diskPath_;
  std::wstring tempPath_;
  FILETIME modificationTime_{};
  UInt32 attributes_ = 0;
  bool isFolder_ = false;
  bool attributesPresent_ = false;
  bool timePresent_ = false;
  bool itemReady_ = false;  // the fields above describe the item 7-Zip works on
  bool isCompletionFile_ = false;
  ComPtr<COutFileStream> outStream_;
  std::wstring heldTempPath_;
  std::wstring heldDiskPath_;
  std::unordered_set<std::string> placesWritten_;  // resolved; held temporaries included
  std::unordered_map<std::string, std::string> resolvedFolders_;
  std::unordered_set<std::wstring> preparedFolders_;
  std::vector<std::pair<std::string, UInt32>> folderModesToRestore_;
  std::vector<std::pair<std::wstring, UInt32>> folderAttributes_;
};

}  // namespace arc7z
