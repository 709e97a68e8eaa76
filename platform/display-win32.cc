// The Windows desktop is always there for a program that runs in it, and there is only one
// display system to choose.
#include "platform/display.h"

namespace platform {

bool DisplayAvailable() { return true; }

void SelectDisplayBackend() {}

}  // namespace platform
