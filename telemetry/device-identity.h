#pragma once
// What a telemetry report says about the machine. Every call computes its answer anew; nothing
// is cached or stored, so each unique id is fresh. None of these fails: a missing answer is an
// empty text.
#include <string>

namespace telemetry {

// Whether the system is at least the given Windows version and service pack. There is no
// Windows version on this platform, so every check fails.
bool IsVersionOrGreater(int major, int minor, int servicePackMajor);

// Name of the highest version check that passes, e.g. "Windows7SP1OrGreater"; empty if none.
std::string OsName();

// Hardware address of the first wired Ethernet adapter as "AA:BB:CC:DD:EE:FF", or empty.
std::string MacAddress();

// A fresh GUID as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper case, 38 characters).
std::string NewUniqueId();

}  // namespace telemetry
