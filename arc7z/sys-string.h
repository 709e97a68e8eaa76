#pragma once
// System strings (BSTR) in the plug-in's own layout: a malloc'd block holding a 32-bit byte
// count, the characters and a zero terminator, the BSTR pointing at the characters. The plug-in
// frees what we hand it with free() on the block, and so do we with what it hands us.
#include <string>
#include <string_view>

#include "arc7z/sevenzip.h"

namespace arc7z {

// A copy of `text`, or nullptr when memory runs out.
BSTR allocSysString(std::wstring_view text);
void freeSysString(BSTR text);
// Characters held (the byte count / 4); 0 for nullptr.
UInt32 sysStringLength(BSTR text);
std::wstring sysStringText(BSTR text);

}  // namespace arc7z
