#include "arc7z/file-streams.h"

#include <algorithm>

#include "arc7z/arc-exception.h"
#include "arc7z/file-utils.h"
#include "platform/encoding.h"

namespace arc7z {
namespace {

HRESULT lastErrorResult() {
  const int number = platform::LastErrorNumber();
  return number == 0 ? kErrorFail : resultFromErrorNumber(number);
}

HRESULT seekFile(platform::File& file, Int64 offset, UInt32 seekOrigin, UInt64* newPosition) {
  if (seekOrigin > 2) return kErrorInvalidFunction;
  const auto origin = seekOrigin == 0   ? platform::SeekOrigin::begin
                      : seekOrigin == 1 ? platform::SeekOrigin::current
                                        : platform::SeekOrigin::end;
  const auto position = file.seek(offset, origin);
  if (!position) return lastErrorResult();
  if (newPosition != nullptr) *newPosition = *position;
  return kResultOk;
}

}  // namespace

CInFileStream::~CInFileStream() = default;

HRESULT ARC7Z_STDCALL CInFileStream::QueryInterface(const GUID& iid, void** object) {
  if (iid == IID_IUnknown || iid == IID_ISequentialInStream || iid == IID_IInStream) {
    *object = static_cast<IInStream*>(this);
  } else if (iid == IID_IStreamGetSize) {
    *object = static_cast<IStreamGetSize*>(this);
  } else if (iid == IID_IStreamGetProps) {
    *object = static_cast<IStreamGetProps*>(this);
  } else if (iid == IID_IStreamGetProps2) {
    *object = static_cast<IStreamGetProps2*>(this);
  } else {
    *object = nullptr;
    return kErrorNoInterface;
  }
  AddRef();
  return kResultOk;
}

RefCount ARC7Z_STDCALL CInFileStream::AddRef() { return ++references_; }

RefCount ARC7Z_STDCALL CInFileStream::Release() {
  const UInt32 left = --references_;
  if (left == 0) delete this;
  return left;
}

bool CInFileStream::open(const std::wstring& path) {
  return file_.openForReading(platform::WideToUtf8(path));
}

HRESULT ARC7Z_STDCALL CInFileStream::Read(void* data, UInt32 size, UInt32* processedSize) {
  if (processedSize != nullptr) *processedSize = 0;
  const auto count = file_.read(data, std::min(size, kMaxTransfer));
  if (!count) return lastErrorResult();
  if (processedSize != nullptr) *processedSize = static_cast<UInt32>(*count);
  return kResultOk;
}

HRESULT ARC7Z_STDCALL CInFileStream::Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition) {
  return seekFile(file_, offset, seekOrigin, newPosition);
}

HRESULT ARC7Z_STDCALL CInFileStream::GetSize(UInt64* size) {
  const auto status = file_.status();
  if (!status) return lastErrorResult();
  *size = status->size;
  return kResultOk;
}

HRESULT ARC7Z_STDCALL CInFileStream::GetProps(UInt64* size, FILETIME* cTime, FILETIME* aTime, FILETIME* mTime,
                                UInt32* attrib) {
  const auto status = file_.status();
  if (!status) return lastErrorResult();
  if (size != nullptr) *size = status->size;
  if (cTime != nullptr) *cTime = fileTimeFromNanoseconds(status->changeTime);
  if (aTime != nullptr) *aTime = fileTimeFromNanoseconds(status->accessTime);
  if (mTime != nullptr) *mTime = fileTimeFromNanoseconds(status->modificationTime);
  if (attrib != nullptr) *attrib = attributesOf(*status);
  return kResultOk;
}

HRESULT ARC7Z_STDCALL CInFileStream::GetProps2(CStreamFileProps* props) {
  const auto status = file_.status();
  if (!status) return lastErrorResult();
  props->Size = status->size;
  props->VolID = status->device;
  props->FileID_Low = status->inode;
  props->FileID_High = 0;
  // The count feeds 7-Zip's hard-link detection when it adds files; this layer only reads archives.
  props->NumLinks = 1;
  props->Attrib = attributesOf(*status);
  props->CTime = fileTimeFromNanoseconds(status->changeTime);
  props->ATime = fileTimeFromNanoseconds(status->accessTime);
  props->MTime = fileTimeFromNanoseconds(status->modificationTime);
  return kResultOk;
}

COutFileStream::~COutFileStream() = default;

HRESULT ARC7Z_STDCALL COutFileStream::QueryInterface(const GUID& iid, void** object) {
  if (iid == IID_IUnknown || iid == IID_ISequentialOutStream || iid == IID_IOutStream) {
    *object = static_cast<IOutStream*>(this);
    AddRef();
    return kResultOk;
  }
  *object = nullptr;
  return kErrorNoInterface;
}

RefCount ARC7Z_STDCALL COutFileStream::AddRef() { return ++references_; }

RefCount ARC7Z_STDCALL COutFileStream::Release() {
  const UInt32 left = --references_;
  if (left == 0) delete this;
  return left;
}

bool COutFileStream::open(const std::wstring& path) {
  return file_.createReplacing(platform::WideToUtf8(path));
}

HRESULT ARC7Z_STDCALL COutFileStream::Write(const void* data, UInt32 size, UInt32* processedSize) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  UInt32 written = 0;
  HRESULT result = kResultOk;
  while (written < size) {
    const auto count = file_.write(bytes + written, std::min(size - written, kMaxTransfer));
    if (!count) {
      if (failure_ == 0) failure_ = platform::LastErrorNumber();
      result = lastErrorResult();
      break;
    }
    if (*count == 0) break;
    written += static_cast<UInt32>(*count);
  }
  processed_ += written;
  if (processedSize != nullptr) *processedSize = written;
  return result;
}

HRESULT ARC7Z_STDCALL COutFileStream::Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition) {
  return seekFile(file_, offset, seekOrigin, newPosition);
}

HRESULT ARC7Z_STDCALL COutFileStream::SetSize(UInt64 newSize) {
  // Truncating by handle leaves the file position alone, wherever it is.
  return file_.truncate(newSize) ? kResultOk : kErrorFail;
}

HRESULT COutFileStream::setModificationTime(FILETIME time) {
  return file_.setModificationTime(nanosecondsFromFileTime(time)) ? kResultOk : lastErrorResult();
}

HRESULT COutFileStream::setPermissions(UInt32 mode) {
  return file_.setPermissions(mode) ? kResultOk : lastErrorResult();
}

HRESULT COutFileStream::close() {
  if (file_.close()) return kResultOk;
  // A delayed write error (a full disk on a network file system) shows only here.
  if (failure_ == 0) failure_ = platform::LastErrorNumber();
  return lastErrorResult();
}

}  // namespace arc7z
