#pragma once
// The streams 7-Zip reads an archive from and writes extracted files into. No single system
// call moves more than kMaxTransfer bytes. Reference counts are atomic because the plug-in's
// decoder threads may read the input stream.
#include <atomic>
#include <string>

#include "arc7z/sevenzip.h"
#include "platform/file.h"

namespace arc7z {

inline constexpr UInt32 kMaxTransfer = 0x400000;

class CInFileStream : public IInStream,
                      public IStreamGetSize,
                      public IStreamGetProps,
                      public IStreamGetProps2 {
 public:
  CInFileStream() = default;
  CInFileStream(const CInFileStream&) = delete;
  CInFileStream& operator=(const CInFileStream&) = delete;

  HRESULT ARC7Z_STDCALL QueryInterface(const GUID& iid, void** object) override;
  RefCount ARC7Z_STDCALL AddRef() override;
  RefCount ARC7Z_STDCALL Release() override;
  HRESULT ARC7Z_STDCALL Read(void* data, UInt32 size, UInt32* processedSize) override;
  HRESULT ARC7Z_STDCALL Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition) override;
  HRESULT ARC7Z_STDCALL GetSize(UInt64* size) override;
  HRESULT ARC7Z_STDCALL GetProps(UInt64* size, FILETIME* cTime, FILETIME* aTime, FILETIME* mTime,
                   UInt32* attrib) override;
  HRESULT ARC7Z_STDCALL GetProps2(CStreamFileProps* props) override;

  // Opens the file for reading (closing one that is open); false leaves the error number set.
  bool open(const std::wstring& path);

 protected:
  virtual ~CInFileStream();

 private:
  std::atomic<UInt32> references_{0};
  platform::File file_;
};

class COutFileStream : public IOutStream {
 public:
  COutFileStream() = default;
  COutFileStream(const COutFileStream&) = delete;
  COutFileStream& operator=(const COutFileStream&) = delete;

  HRESULT ARC7Z_STDCALL QueryInterface(const GUID& iid, void** object) override;
  RefCount ARC7Z_STDCALL AddRef() override;
  RefCount ARC7Z_STDCALL Release() override;
  HRESULT ARC7Z_STDCALL Write(const void* data, UInt32 size, UInt32* processedSize) override;
  HRESULT ARC7Z_STDCALL Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition) override;
  HRESULT ARC7Z_STDCALL SetSize(UInt64 newSize) override;

  // Creates the file anew, removing a file or link already at the path (never writing through
  // it).
  bool open(const std::wstring& path);
  HRESULT setModificationTime(FILETIME time);
  HRESULT setPermissions(UInt32 mode);
  HRESULT close();
  UInt64 processedSize() const { return processed_; }
  // The system error number of the first write or close that failed; 0 while none has.
  int failure() const { return failure_; }

 protected:
  virtual ~COutFileStream();

 private:
  std::atomic<UInt32> references_{0};
  platform::File file_;
  UInt64 processed_ = 0;
  int failure_ = 0;
};

}  // namespace arc7z
