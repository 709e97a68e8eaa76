// The version check of the system's own version helpers.
#include "platform/system-version.h"

#include <windows.h>

namespace platform {

// What the system reports depends on the program's manifest: without a list of supported
// systems, Windows 8.1 and later answer as 6.2.
bool IsWindowsVersionOrGreater(int major, int minor, int servicePackMajor) {
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof info;
  info.dwMajorVersion = static_cast<DWORD>(major);
  info.dwMinorVersion = static_cast<DWORD>(minor);
  info.wServicePackMajor = static_cast<WORD>(servicePackMajor);
  DWORDLONG mask = 0;
  mask = ::VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
  mask = ::VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
  mask = ::VerSetConditionMask(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
  return ::VerifyVersionInfoW(&info, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, mask) != FALSE;
}

}  // namespace platform
