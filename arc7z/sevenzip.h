#pragma once
// The 7-Zip plug-in's binary interface as this project declares it: basic types, the property
// variant, interface ids and the COM-style interfaces in their vtable order. The layout is that
// of 7-Zip 23 and later: IUnknown has no virtual destructor, so every interface's own methods
// start right after Release. SevenZipLibrary refuses a plug-in that reports another layout.
//
// wchar_t holds UTF-16 code units on every system: it is 2 bytes on Windows, where a character
// outside the BMP takes two of them, and 4 bytes elsewhere, where the plug-in still stores the
// two halves of a surrogate pair in two wchar_t. A BSTR comes from OLE Automation on Windows and
// elsewhere points just past a 32-bit byte count, into a block allocated with malloc (see
// sys-string.h).
#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <unknwn.h>
// windows.h renames FindResource to FindResourceW; platform/resources.h has a function of that
// name, which code that includes this header beside it must reach as declared.
#undef FindResource
#endif

// The plug-in's methods and exports use the system's COM calling convention, which differs from
// the default only on 32-bit x86 Windows.
#if defined(_WIN32) && defined(__i386__)
#define ARC7Z_STDCALL __stdcall
#else
#define ARC7Z_STDCALL
#endif

namespace arc7z {

#if defined(_WIN32)
// The SDK's IUnknown fixes these: its methods return HRESULT (a 32-bit long) and ULONG.
using HRESULT = ::HRESULT;
using RefCount = ::ULONG;
#else
using HRESULT = std::int32_t;  // never `long`: that is 64-bit on LP64
using RefCount = std::uint32_t;
#endif
static_assert(sizeof(HRESULT) == 4 && sizeof(RefCount) == 4);
using UInt32 = std::uint32_t;
using Int32 = std::int32_t;
using UInt64 = std::uint64_t;
using Int64 = std::int64_t;
using PROPID = std::uint32_t;
using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;
using BSTR = wchar_t*;

// The result codes, named apart from the Windows SDK's macros for them (S_OK, S_FALSE, E_NOTIMPL,
// E_NOINTERFACE, E_ABORT, E_FAIL, STG_E_INVALIDFUNCTION, E_OUTOFMEMORY, E_INVALIDARG), so that its
// headers can be included beside this one.
inline constexpr HRESULT kResultOk = 0;
inline constexpr HRESULT kResultFalse = 1;
inline constexpr HRESULT kErrorNotImplemented = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT kErrorNoInterface = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT kErrorAbort = static_cast<HRESULT>(0x80004004u);
inline constexpr HRESULT kErrorFail = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT kErrorInvalidFunction = static_cast<HRESULT>(0x80030001u);
inline constexpr HRESULT kErrorOutOfMemory = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT kErrorInvalidArgument = static_cast<HRESULT>(0x80070057u);

struct FILETIME {  // 100-ns ticks since 1601-01-01 UTC, in two halves (alignment 4)
  UInt32 dwLowDateTime;
  UInt32 dwHighDateTime;
};

#if defined(_WIN32)
using GUID = ::GUID;  // the SDK's IUnknown takes it, and the SDK compares it
#else
struct GUID {
  UInt32 Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  unsigned char Data4[8];
};

constexpr bool operator==(const GUID& a, const GUID& b) {
  for (int i = 0; i < 8; ++i) {
    if (a.Data4[i] != b.Data4[i]) return false;
  }
  return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3;
}
#endif
static_assert(sizeof(GUID) == 16);

enum : VARTYPE {
  VT_EMPTY = 0,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_BSTR = 8,
  VT_BOOL = 11,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_FILETIME = 64,
};

// VARIANT_TRUE and VARIANT_FALSE, named apart from the SDK's macros likewise.
inline constexpr VARIANT_BOOL kVariantTrue = -1;
inline constexpr VARIANT_BOOL kVariantFalse = 0;

struct PROPVARIANT {
  VARTYPE vt;
  std::uint16_t wReserved1;  // for file times: the precision
  std::uint16_t wReserved2;
  std::uint16_t wReserved3;
  union {
    char cVal;
    unsigned char bVal;
    std::int16_t iVal;
    std::uint16_t uiVal;
    Int32 lVal;
    UInt32 ulVal;
    int intVal;
    unsigned uintVal;
    Int64 hVal;
    UInt64 uhVal;
    VARIANT_BOOL boolVal;
    Int32 scode;
    FILETIME filetime;
    BSTR bstrVal;
  };
};
// 32-bit x86 aligns 64-bit members to 4 inside structures; the value still starts at offset 8.
static_assert(sizeof(PROPVARIANT) == 16 && offsetof(PROPVARIANT, uhVal) == 8);
#if defined(_WIN32)
static_assert(sizeof(PROPVARIANT) == sizeof(::PROPVARIANT));
#endif
static_assert(sizeof(wchar_t) == 2 || sizeof(wchar_t) == 4, "OLECHAR holds UTF-16 code units");

// Property ids of archive items (and of the open callback's answers).
enum : PROPID {
  kpidPath = 3,
  kpidName = 4,
  kpidIsDir = 6,
  kpidSize = 7,
  kpidAttrib = 9,
  kpidCTime = 10,
  kpidATime = 11,
  kpidMTime = 12,
};

// Ask modes of GetStream/PrepareOperation and results of SetOperationResult.
enum : Int32 { kAskExtract = 0, kAskTest = 1, kAskSkip = 2 };
enum : Int32 { kOpOK = 0, kOpUnsupportedMethod = 1, kOpDataError = 2, kOpCRCError = 3 };

// Plug-in module properties (GetModuleProp): the interface layout and the version.
enum : PROPID { kModuleInterfaceType = 0, kModuleVersion = 1 };
inline constexpr UInt32 kInterfaceTypeNoVirtualDestructor = 0;

// 7-Zip's interface ids: {23170F69-40C1-278A-0000-00GG00SS0000}.
constexpr GUID SevenZipIid(unsigned char group, unsigned char sub) {
  return GUID{0x23170F69, 0x40C1, 0x278A, {0, 0, 0, group, 0, sub, 0, 0}};
}

inline constexpr GUID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID IID_ISequentialInStream = SevenZipIid(0x03, 0x01);
inline constexpr GUID IID_ISequentialOutStream = SevenZipIid(0x03, 0x02);
inline constexpr GUID IID_IInStream = SevenZipIid(0x03, 0x03);
inline constexpr GUID IID_IOutStream = SevenZipIid(0x03, 0x04);
inline constexpr GUID IID_IStreamGetSize = SevenZipIid(0x03, 0x06);
inline constexpr GUID IID_IStreamGetProps = SevenZipIid(0x03, 0x08);
inline constexpr GUID IID_IStreamGetProps2 = SevenZipIid(0x03, 0x09);
inline constexpr GUID IID_IProgress = SevenZipIid(0x00, 0x05);
inline constexpr GUID IID_ICompressProgressInfo = SevenZipIid(0x04, 0x04);
inline constexpr GUID IID_ICryptoGetTextPassword = SevenZipIid(0x05, 0x10);
inline constexpr GUID IID_IArchiveOpenCallback = SevenZipIid(0x06, 0x10);
inline constexpr GUID IID_IArchiveExtractCallback = SevenZipIid(0x06, 0x20);
inline constexpr GUID IID_IArchiveOpenVolumeCallback = SevenZipIid(0x06, 0x30);
inline constexpr GUID IID_IArchiveOpenSetSubArchiveName = SevenZipIid(0x06, 0x50);
inline constexpr GUID IID_IInArchive = SevenZipIid(0x06, 0x60);

}  // namespace arc7z

// The interfaces keep 7-Zip's own global names, IUnknown included: the plug-in's objects carry
// run-time type information under these names, and UndefinedBehaviorSanitizer matches dynamic
// types by name, also against IUnknown when Release is called on a plug-in's object. On Windows
// the SDK's IUnknown takes the place of ours. Objects are destroyed through Release only, so the
// destructors are protected and non-virtual: a virtual one would add vtable slots the plug-in
// does not have.
#if !defined(_WIN32)
struct IUnknown {
  virtual arc7z::HRESULT ARC7Z_STDCALL QueryInterface(const arc7z::GUID& iid, void** object) = 0;
  virtual arc7z::RefCount ARC7Z_STDCALL AddRef() = 0;
  virtual arc7z::RefCount ARC7Z_STDCALL Release() = 0;

 protected:
  ~IUnknown() = default;
};
#endif

struct ISequentialInStream : IUnknown {
  virtual arc7z::HRESULT ARC7Z_STDCALL Read(void* data, arc7z::UInt32 size, arc7z::UInt32* processedSize) = 0;

 protected:
  ~ISequentialInStream() = default;
};

struct IInStream : ISequentialInStream {
  virtual arc7z::HRESULT ARC7Z_STDCALL Seek(arc7z::Int64 offset, arc7z::UInt32 seekOrigin, arc7z::UInt64* newPosition) = 0;

 protected:
  ~IInStream() = default;
};

struct IStreamGetSize : IUnknown {
  virtual arc7z::HRESULT ARC7Z_STDCALL GetSize(arc7z::UInt64* size) = 0;

 protected:
  ~IStreamGetSize() = default;
};

struct IStreamGetProps : IUnknown {
  virtual arc7z::HRESULT ARC7Z_STDCALL GetProps(arc7z::UInt64* size, arc7z::FILETIME* cTime, arc7z::FILETIME* aTime, arc7z::FILETIME* mTime,
                           arc7z::UInt32* attrib) = 0;

 protected:
  ~IStreamGetProps() = default;
};

struct CStreamFileProps {
  arc7z::UInt64 Size;
  arc7z::UInt64 VolID;
  arc7z::UInt64 FileID_Low;
  arc7z::UInt64 FileID_High;
  arc7z::UInt32 NumLinks;
  arc7z::UInt32 Attrib;
  arc7z::FILETIME CTime;
  arc7z::FILETIME ATime;
  arc7z::FILETIME MTime;
};
static_assert(sizeof(CStreamFileProps) == 64);

struct IStreamGetProps2 : IUnknown {
  virtual arc7z::HRESULT ARC7Z_STDCALL GetProps2(CStreamFileProps* props) = 0;

 protected:
  ~IStreamGetProps2() = default;
};

struct ISequentialOutStream : IUnknown {
  virtual arc7z::HRESULT ARC7Z_STDCALL Write(const void* data, arc7z::UInt32 size, arc7z::UInt32* processedSize) = 0;

 protected:
  ~ISequentialOutStream() = default;
};

struct IOutStream : ISequentialOutStream {
  virtual arc7z::HRESULT ARC7Z_STDCALL Seek(arc7z::Int64 offset, arc7z::UInt32 seekOrigin, arc7z::UInt64* newPosition) = 0;
  virtual arc7z::HRESULT ARC7Z_STDCALL SetSize(arc7z::UInt64 newSize) = 0;

 protected:
  ~IOutStream() = default;
};

struct IProgress : IUnknown {
  virtual arc7z::HRESULT ARC7Z_STDCALL SetTotal(arc7z::UInt64 total) = 0;
  virtual arc7z::HRESULT ARC7Z_STDCALL SetCompleted(const arc7z::UInt64* completeValue) = 0;

 protected:
  ~IProgress() = default;
};

struct ICompressProgressInfo : IUnknown {
  virtual arc7z::HRESULT ARC7Z_STDCALL SetRatioInfo(const arc7z::UInt64* inSize, const arc7z::UInt64* outSize) = 0;

 protected:
  ~ICompressProgressInfo() = default;
};

struct ICryptoGetTextPassword : IUnknown {
  virtual arc7z::HRESULT ARC7Z_STDCALL CryptoGetTextPassword(arc7z::BSTR* password) = 0;

 protected:
  ~ICryptoGetTextPassword() = default;
};

struct IArchiveOpenCallback : IUnknown {
  virtual arc7z::HRESULT ARC7Z_STDCALL SetTotal(const arc7z::UInt64* files, const arc7z::UInt64* bytes) = 0;
  virtual arc7z::HRESULT ARC7Z_STDCALL SetCompleted(const arc7z::UInt64* files, const arc7z::UInt64* bytes) = 0;

 protected:
  ~IArchiveOpenCallback() = default;
};

struct IArchiveExtractCallback : IProgress {
  virtual arc7z::HRESULT ARC7Z_STDCALL GetStream(arc7z::UInt32 index, ISequentialOutStream** outStream,
                            arc7z::Int32 askExtractMode) = 0;
  virtual arc7z::HRESULT ARC7Z_STDCALL PrepareOperation(arc7z::Int32 askExtractMode) = 0;
  virtual arc7z::HRESULT ARC7Z_STDCALL SetOperationResult(arc7z::Int32 opRes) = 0;

 protected:
  ~IArchiveExtractCallback() = default;
};

struct IArchiveOpenVolumeCallback : IUnknown {
  virtual arc7z::HRESULT ARC7Z_STDCALL GetProperty(arc7z::PROPID propID, arc7z::PROPVARIANT* value) = 0;
  virtual arc7z::HRESULT ARC7Z_STDCALL GetStream(const wchar_t* name, IInStream** inStream) = 0;

 protected:
  ~IArchiveOpenVolumeCallback() = default;
};

struct IArchiveOpenSetSubArchiveName : IUnknown {
  virtual arc7z::HRESULT ARC7Z_STDCALL SetSubArchiveName(const wchar_t* name) = 0;

 protected:
  ~IArchiveOpenSetSubArchiveName() = default;
};

struct IInArchive : IUnknown {
  virtual arc7z::HRESULT ARC7Z_STDCALL Open(IInStream* stream, const arc7z::UInt64* maxCheckStartPosition,
                       IArchiveOpenCallback* openCallback) = 0;
  virtual arc7z::HRESULT ARC7Z_STDCALL Close() = 0;
  virtual arc7z::HRESULT ARC7Z_STDCALL GetNumberOfItems(arc7z::UInt32* numItems) = 0;
  virtual arc7z::HRESULT ARC7Z_STDCALL GetProperty(arc7z::UInt32 index, arc7z::PROPID propID, arc7z::PROPVARIANT* value) = 0;
  virtual arc7z::HRESULT ARC7Z_STDCALL Extract(const arc7z::UInt32* indices, arc7z::UInt32 numItems, arc7z::Int32 testMode,
                          IArchiveExtractCallback* extractCallback) = 0;
  virtual arc7z::HRESULT ARC7Z_STDCALL GetArchiveProperty(arc7z::PROPID propID, arc7z::PROPVARIANT* value) = 0;
  virtual arc7z::HRESULT ARC7Z_STDCALL GetNumberOfProperties(arc7z::UInt32* numProps) = 0;
  virtual arc7z::HRESULT ARC7Z_STDCALL GetPropertyInfo(arc7z::UInt32 index, arc7z::BSTR* name, arc7z::PROPID* propID, arc7z::VARTYPE* varType) = 0;
  virtual arc7z::HRESULT ARC7Z_STDCALL GetNumberOfArchiveProperties(arc7z::UInt32* numProps) = 0;
  virtual arc7z::HRESULT ARC7Z_STDCALL GetArchivePropertyInfo(arc7z::UInt32 index, arc7z::BSTR* name, arc7z::PROPID* propID,
                                         arc7z::VARTYPE* varType) = 0;

 protected:
  ~IInArchive() = default;
};

namespace arc7z {

using ::IUnknown;
using ::ISequentialInStream;
using ::IInStream;
using ::IStreamGetSize;
using ::IStreamGetProps;
using ::CStreamFileProps;
using ::IStreamGetProps2;
using ::ISequentialOutStream;
using ::IOutStream;
using ::IProgress;
using ::ICompressProgressInfo;
using ::ICryptoGetTextPassword;
using ::IArchiveOpenCallback;
using ::IArchiveExtractCallback;
using ::IArchiveOpenVolumeCallback;
using ::IArchiveOpenSetSubArchiveName;
using ::IInArchive;

// The plug-in's exports this layer calls.
using CreateObjectFunc = HRESULT(ARC7Z_STDCALL*)(const GUID* clsid, const GUID* iid, void** outObject);
using GetModulePropFunc = HRESULT(ARC7Z_STDCALL*)(PROPID propID, PROPVARIANT* value);

}  // namespace arc7z
