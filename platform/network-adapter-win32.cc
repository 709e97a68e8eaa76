// Network adapters from the IP helper's adapter list.
#include "platform/network-adapter.h"

// winsock2.h before windows.h, as iphlpapi.h wants it.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cstdio>
#include <vector>

namespace platform {

// The list is asked for twice: the first answer gives the size when one entry's room is too
// small. Ethernet is the wired kind; wireless adapters are listed as IEEE 802.11 and skipped.
std::string WiredAdapterAddress() {
  ULONG size = sizeof(IP_ADAPTER_INFO);
  std::vector<unsigned char> buffer(size);
  ULONG result = ::GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
  if (result == ERROR_BUFFER_OVERFLOW) {
    buffer.assign(size, 0);
    result = ::GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
  }
  if (result != ERROR_SUCCESS) return {};
  for (auto* a = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data()); a != nullptr; a = a->Next) {
    if (a->AddressLength != 6 || a->Type != MIB_IF_TYPE_ETHERNET) continue;
    char text[18];
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", a->Address[0], a->Address[1],
                  a->Address[2], a->Address[3], a->Address[4], a->Address[5]);
    return text;
  }
  return {};
}

}  // namespace platform
