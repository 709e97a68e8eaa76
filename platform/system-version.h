#pragma once
// The version of the operating system, as the checks that name it ask for it.
namespace platform {

// Whether the system is at least the given Windows version and service pack. On any other
// system every check fails.
bool IsWindowsVersionOrGreater(int major, int minor, int servicePackMajor);

}  // namespace platform
