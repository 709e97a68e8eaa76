#pragma once
// Conversions between UTF-8 byte strings and wide strings. They never consult the C library's
// locale, so they behave the same with or without LANG set. Whatever cannot be converted
// becomes '?'.
#include <string>
#include <string_view>

namespace platform {

// Each code point becomes one wchar_t (4 bytes on Linux).
std::wstring Utf8ToWide(std::string_view text);

// Accepts both code points and UTF-16 code units held in wchar_t (the 7-Zip plug-in hands out
// the latter), joining surrogate pairs; a lone surrogate becomes '?'.
std::string WideToUtf8(std::wstring_view text);

// The same text as UTF-16 code units, for byte formats shared with UTF-16 peers.
std::u16string WideToUtf16(std::wstring_view text);

}  // namespace platform
