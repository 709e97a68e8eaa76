#pragma once
// Globally unique ids.
#include <string>

namespace platform {

// A fresh random GUID as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper case, 38 characters).
// It cannot fail.
std::string NewGuidText();

}  // namespace platform
