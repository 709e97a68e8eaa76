#include "arc7z/sys-string.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#if defined(_WIN32)
#include <oleauto.h>
#include <propidl.h>
#endif

namespace arc7z {

std::wstring sysStringText(BSTR text) {
  return text == nullptr ? std::wstring() : std::wstring(text, sysStringLength(text));
}

#if defined(_WIN32)

BSTR allocSysString(std::wstring_view text) {
  if (text.size() > std::numeric_limits<UINT>::max() / sizeof(wchar_t) - 2) return nullptr;
  return ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

void freeSysString(BSTR text) { ::SysFreeString(text); }

UInt32 sysStringLength(BSTR text) { return ::SysStringLen(text); }

void clearPropVariant(PROPVARIANT& value) noexcept {
  // Also releases what other value types hold; the layouts are the same (sevenzip.h).
  ::PropVariantClear(reinterpret_cast<::PROPVARIANT*>(&value));
  std::memset(static_cast<void*>(&value), 0, sizeof value);
}

#else

BSTR allocSysString(std::wstring_view text) {
  constexpr std::size_t kMaxChars = (std::numeric_limits<UInt32>::max() - 8) / sizeof(wchar_t);
  if (text.size() > kMaxChars) return nullptr;
  const auto byteLength = static_cast<UInt32>(text.size() * sizeof(wchar_t));
  void* block = std::malloc(sizeof(UInt32) + byteLength + sizeof(wchar_t));
  if (block == nullptr) return nullptr;
  std::memcpy(block, &byteLength, sizeof byteLength);
  auto* chars = reinterpret_cast<wchar_t*>(static_cast<char*>(block) + sizeof(UInt32));
  if (!text.empty()) std::memcpy(chars, text.data(), byteLength);
  chars[text.size()] = L'\0';
  return chars;
}

void freeSysString(BSTR text) {
  if (text != nullptr) std::free(reinterpret_cast<char*>(text) - sizeof(UInt32));
}

UInt32 sysStringLength(BSTR text) {
  if (text == nullptr) return 0;
  UInt32 byteLength;
  std::memcpy(&byteLength, reinterpret_cast<const char*>(text) - sizeof(UInt32),
              sizeof byteLength);
  return byteLength / sizeof(wchar_t);
}

void clearPropVariant(PROPVARIANT& value) noexcept {
  // The plug-in's own VariantClear frees nothing but strings on this system.
  if (value.vt == VT_BSTR) freeSysString(value.bstrVal);
  std::memset(static_cast<void*>(&value), 0, sizeof value);
}

#endif

}  // namespace arc7z
