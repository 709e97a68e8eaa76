#pragma once
// The machine's network adapters, as far as the launcher names the machine by them.
#include <string>

namespace platform {

// Hardware address of the first wired Ethernet adapter, in the order the system lists the
// adapters, as "AA:BB:CC:DD:EE:FF"; empty when there is none.
std::string WiredAdapterAddress();

}  // namespace platform
