#pragma once
// The objects that answer 7-Zip while it extracts: ExtractCallback reports progress and
// passwords, FileExtractCallback writes each item into a folder.
#include <optional>
#include <string>
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

  HRESULT QueryInterface(const GUID& iid, void** object) override;
  UInt32 AddRef() override { return addReference(); }
  UInt32 Release() override { return releaseReference(); }

  // The hooks may be called on the plug-in's own threads.
  HRESULT SetTotal(UInt64 total) override;
  HRESULT SetCompleted(const UInt64* completeValue) override;
  HRESULT SetRatioInfo(const UInt64* inSize, const UInt64* outSize) override;
  HRESULT CryptoGetTextPassword(BSTR* password) override;

 protected:
  ~ExtractCallback() override;

  const ArcInputArchive& inputArchive_;
  bool extractMode_ = true;
  UInt64 errorCount_ = 0;
};

class FileExtractCallback : public ExtractCallback {
 public:
  FileExtractCallback(const ArcHandler& handler, const ArcInputArchive& inputArchive,
                      const std::wstring& archivePath, const std::wstring& outputFolder);

  HRESULT GetStream(UInt32 index, ISequentialOutStream** outStream, Int32 askExtractMode) override;
  HRESULT PrepareOperation(Int32 askExtractMode) override;
  HRESULT SetOperationResult(Int32 opRes) override;

  // Folder permissions wait until every file is in place: a folder made read-only earlier
  // would refuse the files that follow. Deepest folders first.
  void applyFolderAttributes();

 protected:
  ~FileExtractCallback() override;

 private:
  HRESULT prepareItem(UInt32 index, ISequentialOutStream** outStream, Int32 askExtractMode);
  // The item path as components below the output folder, or nothing when it would leave it.
  std::optional<std::wstring> safeRelativePath(const std::wstring& itemPath) const;
  bool staysInside(const std::wstring& relativePath, bool includeLast) const;
  static void applyAttributes(const std::wstring& path, UInt32 attributes, bool folder);

  std::wstring archivePath_;
  std::wstring outputFolder_;
  std::wstring itemPath_;
  std::wstring diskPath_;
  FILETIME modificationTime_{};
  UInt32 attributes_ = 0;
  bool isFolder_ = false;
  bool attributesPresent_ = false;
  bool timePresent_ = false;
  bool itemReady_ = false;  // the fields above describe the item 7-Zip works on
  ComPtr<COutFileStream> outStream_;
  std::vector<std::pair<std::wstring, UInt32>> folderAttributes_;
};

}  // namespace arc7z
