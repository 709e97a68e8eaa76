#include "arc7z/arc-propvariant.h"

#include <cstring>

#include "arc7z/arc-exception.h"
#include "arc7z/sys-string.h"

namespace arc7z {
namespace {

void makeEmpty(PROPVARIANT& v) { std::memset(static_cast<void*>(&v), 0, sizeof v); }

}  // namespace

ArcPropVariant::ArcPropVariant() noexcept : PROPVARIANT() { makeEmpty(*this); }

ArcPropVariant::ArcPropVariant(std::wstring_view value) : ArcPropVariant() {
  BSTR text = allocSysString(value);
  if (text == nullptr) {
    throw ArcException(L"Could not allocate memory for ArcPropVariant string", kErrorFail);
  }
  vt = VT_BSTR;
  bstrVal = text;
}

ArcPropVariant::ArcPropVariant(UInt32 value) noexcept : ArcPropVariant() {
  vt = VT_UI4;
  ulVal = value;
}

ArcPropVariant::ArcPropVariant(UInt64 value) noexcept : ArcPropVariant() {
  vt = VT_UI8;
  uhVal = value;
}

ArcPropVariant::ArcPropVariant(bool value) noexcept : ArcPropVariant() {
  vt = VT_BOOL;
  boolVal = value ? kVariantTrue : kVariantFalse;
}

ArcPropVariant::ArcPropVariant(FILETIME value) noexcept : ArcPropVariant() {
  vt = VT_FILETIME;
  filetime = value;
}

ArcPropVariant::ArcPropVariant(ArcPropVariant&& other) noexcept : PROPVARIANT(other) {
  makeEmpty(other);
}

ArcPropVariant& ArcPropVariant::operator=(ArcPropVariant&& other) noexcept {
  if (this != &other) {
    clear();
    static_cast<PROPVARIANT&>(*this) = other;
    makeEmpty(other);
  }
  return *this;
}

ArcPropVariant::~ArcPropVariant() { clear(); }

void ArcPropVariant::clear() noexcept { clearPropVariant(*this); }

void ArcPropVariant::detach(PROPVARIANT* target) noexcept {
  *target = *this;
  makeEmpty(*this);
}

bool ArcPropVariant::isUInt32() const {
  return vt == VT_UI1 || vt == VT_UI2 || vt == VT_UI4 || vt == VT_UINT;
}

ArcPropKind ArcPropVariant::kind() const {
  switch (vt) {
    case VT_EMPTY: return ArcPropKind::empty;
    case VT_BOOL: return ArcPropKind::boolean;
    case VT_BSTR: return ArcPropKind::string;
    case VT_UI1: return ArcPropKind::uint8;
    case VT_UI2: return ArcPropKind::uint16;
    case VT_UI4:
    case VT_UINT: return ArcPropKind::uint32;
    case VT_UI8: return ArcPropKind::uint64;
    case VT_I1: return ArcPropKind::int8;
    case VT_I2: return ArcPropKind::int16;
    case VT_I4:
    case VT_INT: return ArcPropKind::int32;
    case VT_I8: return ArcPropKind::int64;
    case VT_FILETIME: return ArcPropKind::fileTime;
  }
  throw ArcException(L"Property type not supported", kErrorInvalidArgument);
}

bool ArcPropVariant::getBool() const {
  if (vt != VT_BOOL) throw ArcException(L"ArcPropVariant is not a bool", kErrorFail);
  return boolVal != 0;
}

std::wstring ArcPropVariant::getString() const {
  if (vt != VT_BSTR) throw ArcException(L"ArcPropVariant is not a string", kErrorFail);
  return sysStringText(bstrVal);
}

UInt32 ArcPropVariant::getUInt32() const {
  switch (vt) {
    case VT_UI1: return bVal;
    case VT_UI2: return uiVal;
    case VT_UI4: return ulVal;
    case VT_UINT: return uintVal;
  }
  throw ArcException(L"ArcPropVariant is not a 32-bits unsigned integer", kErrorFail);
}

FILETIME ArcPropVariant::getFileTime() const {
  if (vt != VT_FILETIME) throw ArcException(L"ArcPropVariant is not a FILETIME", kErrorFail);
  return filetime;
}

}  // namespace arc7z
