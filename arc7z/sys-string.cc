#include "arc7z/sys-string.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace arc7z {

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

std::wstring sysStringText(BSTR text) {
  return text == nullptr ? std::wstring() : std::wstring(text, sysStringLength(text));
}

}  // namespace arc7z
