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

// True for a name Windows would not take as a plain file below the output folder: a drive
// ("C:x"), a server share ("\\server"), a rooted path, a ':' stream ("a.txt:s"), a device ("NUL",
// "com1.txt") or a component that Windows shortens by its trailing dots or spaces ("a.", ".. ").
// Separators are '/' and '\'. Extraction refuses such names on Windows (kWindowsFileNames).
bool isUnsafeOnWindows(std::wstring_view name);
#if defined(_WIN32)
inline constexpr bool kWindowsFileNames = true;
#else
inline constexpr bool kWindowsFileNames = false;
#endif

// Control characters as "\n", "\r", "\t" or "\xHH", lone surrogates as "\uHHHH"; the rest as is.
std::wstring printableName(std::wstring_view name);
// The same for UTF-8 text, byte by byte.
std::string printableName(std::string_view name);

}  // namespace arc7z
