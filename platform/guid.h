#pragma once
// Globally unique ids.
#include <string>

namespace platform {

// A fresh random GUID as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper case, 38 characters).
// It does not fail: on Windows, should the system make no GUID, the processor's id stands in as
// 16 upper-case hexadecimal digits (CPUID leaf 1, EDX then EAX).
std::string NewGuidText();

}  // namespace platform
