#pragma once
// The layer's objects that answer 7-Zip while it opens an archive. Callback holds what every
// callback shares: the reference count, the operation's settings and the last error text.
#include <atomic>
#include <string>

#include "arc7z/file-utils.h"
#include "arc7z/sevenzip.h"

namespace arc7z {

class ArcHandler;

class Callback {
 public:
  explicit Callback(const ArcHandler& handler) : handler_(handler) {}
  Callback(const Callback&) = delete;
  Callback& operator=(const Callback&) = delete;
  virtual ~Callback();
  virtual std::wstring errorMessage() const;

 protected:
  UInt32 addReference() { return ++references_; }
  UInt32 releaseReference();
  // Hands out the handler's password, or the password hook's non-empty answer; otherwise sets
  // "Password is not defined" and returns `whenUndefined`.
  HRESULT providePassword(BSTR* password, HRESULT whenUndefined);

  const ArcHandler& handler_;
  std::wstring errorMessage_;

 private:
  std::atomic<UInt32> references_{0};
};

class OpenCallback : public Callback,
                     public IArchiveOpenCallback,
                     public IArchiveOpenVolumeCallback,
                     public IArchiveOpenSetSubArchiveName,
                     public ICryptoGetTextPassword {
 public:
  // Throws ArcException "Invalid path '<path>'!" when the archive file cannot be found.
  OpenCallback(const ArcHandler& handler, const std::wstring& archivePath);

  HRESULT ARC7Z_STDCALL QueryInterface(const GUID& iid, void** object) override;
  RefCount ARC7Z_STDCALL AddRef() override { return addReference(); }
  RefCount ARC7Z_STDCALL Release() override { return releaseReference(); }

  HRESULT ARC7Z_STDCALL SetTotal(const UInt64* files, const UInt64* bytes) override;
  HRESULT ARC7Z_STDCALL SetCompleted(const UInt64* files, const UInt64* bytes) override;
  HRESULT ARC7Z_STDCALL GetProperty(PROPID propID, PROPVARIANT* value) override;
  HRESULT ARC7Z_STDCALL GetStream(const wchar_t* name, IInStream** inStream) override;
  HRESULT ARC7Z_STDCALL SetSubArchiveName(const wchar_t* name) override;
  HRESULT ARC7Z_STDCALL CryptoGetTextPassword(BSTR* password) override;

 protected:
  ~OpenCallback() override;

 private:
  bool subArchiveMode_ = false;
  std::wstring subArchiveName_;
  FileItem archiveFile_;
};

}  // namespace arc7z
