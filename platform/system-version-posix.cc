#include "platform/system-version.h"

namespace platform {

// There is no Windows version here.
bool IsWindowsVersionOrGreater(int, int, int) { return false; }

}  // namespace platform
