#include "arc7z/callback.h"

#include "arc7z/arc-exception.h"
#include "arc7z/arc-handler.h"
#include "arc7z/arc-propvariant.h"
#include "arc7z/com-ptr.h"
#include "arc7z/file-streams.h"
#include "arc7z/sys-string.h"
#include "platform/encoding.h"
#include "platform/file.h"

namespace arc7z {

Callback::~Callback() = default;

std::wstring Callback::errorMessage() const { return errorMessage_; }

UInt32 Callback::releaseReference() {
  const UInt32 left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT Callback::providePassword(BSTR* password, HRESULT whenUndefined) {
  *password = nullptr;
  std::wstring text;
  try {
    if (handler_.isPasswordDefined()) {
      text = handler_.password();
    } else if (handler_.passwordHook()) {
      text = handler_.passwordHook()();
    }
  } catch (...) {
    return kErrorAbort;
  }
  if (text.empty()) {
    errorMessage_ = L"Password is not defined";
    return whenUndefined;
  }
  *password = allocSysString(text);
  return *password != nullptr ? kResultOk : kErrorOutOfMemory;
}

OpenCallback::OpenCallback(const ArcHandler& handler, const std::wstring& archivePath)
    : Callback(handler), archiveFile_(archivePath) {}

OpenCallback::~OpenCallback() = default;

HRESULT ARC7Z_STDCALL OpenCallback::QueryInterface(const GUID& iid, void** object) {
  if (iid == IID_IUnknown || iid == IID_IArchiveOpenVolumeCallback) {
    *object = static_cast<IArchiveOpenVolumeCallback*>(this);
  } else if (iid == IID_IArchiveOpenCallback) {
    *object = static_cast<IArchiveOpenCallback*>(this);
  } else if (iid == IID_IArchiveOpenSetSubArchiveName) {
    *object = static_cast<IArchiveOpenSetSubArchiveName*>(this);
  } else if (iid == IID_ICryptoGetTextPassword) {
    *object = static_cast<ICryptoGetTextPassword*>(this);
  } else {
    *object = nullptr;
    return kErrorNoInterface;
  }
  addReference();
  return kResultOk;
}

HRESULT ARC7Z_STDCALL OpenCallback::SetTotal(const UInt64*, const UInt64*) { return kResultOk; }

HRESULT ARC7Z_STDCALL OpenCallback::SetCompleted(const UInt64*, const UInt64*) { return kResultOk; }

HRESULT ARC7Z_STDCALL OpenCallback::GetProperty(PROPID propID, PROPVARIANT* value) {
  try {
    ArcPropVariant answer;
    if (subArchiveMode_) {
      if (propID == kpidName) answer = ArcPropVariant(subArchiveName_);
    } else {
      switch (propID) {
        case kpidName: answer = ArcPropVariant(archiveFile_.name()); break;
        case kpidIsDir: answer = ArcPropVariant(archiveFile_.isFolder()); break;
        case kpidSize: answer = ArcPropVariant(archiveFile_.size()); break;
        case kpidAttrib: answer = ArcPropVariant(archiveFile_.attributes()); break;
        case kpidCTime: answer = ArcPropVariant(archiveFile_.creationTime()); break;
        case kpidATime: answer = ArcPropVariant(archiveFile_.lastAccessTime()); break;
        case kpidMTime: answer = ArcPropVariant(archiveFile_.lastWriteTime()); break;
        default: break;
      }
    }
    answer.detach(value);
    return kResultOk;
  } catch (...) {
    return kErrorOutOfMemory;
  }
}

HRESULT ARC7Z_STDCALL OpenCallback::GetStream(const wchar_t* name, IInStream** inStream) {
  *inStream = nullptr;
  try {
    if (subArchiveMode_ || archiveFile_.isFolder()) return kResultFalse;
    std::wstring path = archiveFile_.path();
    if (name != nullptr && *name != L'\0') {
      // A volume lies beside the archive; an archive in the current folder has no folder part.
      const auto separator = path.rfind(L'/');
      path = separator == std::wstring::npos ? std::wstring(name)
                                             : path.substr(0, separator + 1) + name;
    }
    const auto status = platform::StatusOf(platform::WideToUtf8(path), platform::LinkPolicy::follow);
    if (!status || status->isDirectory) return kResultFalse;
    auto stream = ComPtr<CInFileStream>(new CInFileStream);
    if (!stream->open(path)) {
      const int number = platform::LastErrorNumber();
      return number == 0 ? kErrorFail : resultFromErrorNumber(number);
    }
    *inStream = stream.detach();
    return kResultOk;
  } catch (...) {
    return kErrorOutOfMemory;
  }
}

HRESULT ARC7Z_STDCALL OpenCallback::SetSubArchiveName(const wchar_t* name) {
  try {
    subArchiveMode_ = true;
    subArchiveName_ = name != nullptr ? name : L"";
    return kResultOk;
  } catch (...) {
    return kErrorOutOfMemory;
  }
}

HRESULT ARC7Z_STDCALL OpenCallback::CryptoGetTextPassword(BSTR* password) {
  return providePassword(password, kErrorAbort);
}

}  // namespace arc7z
