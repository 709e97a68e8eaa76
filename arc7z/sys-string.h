#pragma once
// System strings (BSTR) and property values as the plug-in allocates and frees them. On Windows
// both go through OLE Automation. Elsewhere a BSTR is a malloc'd block holding a 32-bit byte
// count, the characters and a zero terminator, the BSTR pointing at the characters: the plug-in
// frees what we hand it with free() on the block, and so do we with what it hands us.
#include <string>
#include <string_view>

#include "arc7z/sevenzip.h"

namespace arc7z {

// A copy of `text`, or nullptr when memory runs out.
BSTR allocSysString(std::wstring_view text);
void freeSysString(BSTR text);
// Characters held (UTF-16 code units); 0 for nullptr.
UInt32 sysStringLength(BSTR text);
std::wstring sysStringText(BSTR text);

// Frees what the value holds and leaves it empty (VT_EMPTY, all bytes zero).
void clearPropVariant(PROPVARIANT& value) noexcept;

}  // namespace arc7z
