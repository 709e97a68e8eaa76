#pragma once
// Item names as they may be used: on disk only when they convert to a file name without loss,
// and in log lines and error texts only with their control characters escaped, so that no name
// can end a line and forge the next one.
#include <string>
#include <string_view>

namespace arc7z {

// False for a name holding what has no exact file-name form: a NUL, a lone UTF-16 surrogate or
// a value beyond Unicode. The plug-in hands out UTF-16 code units; a surrogate pair is exact.
bool convertsExactly(std::wstring_view name);

// Control characters as "\n", "\r", "\t" or "\xHH", lone surrogates as "\uHHHH"; the rest as is.
std::wstring printableName(std::wstring_view name);
// The same for UTF-8 text, byte by byte.
std::string printableName(std::string_view name);

}  // namespace arc7z
