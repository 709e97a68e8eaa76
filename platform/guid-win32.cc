// GUIDs from COM.
#include "platform/guid.h"

#include <windows.h>
#include <objbase.h>
#include <cpuid.h>

#include <cstdio>

namespace platform {

// CoCreateGuid needs no COM initialisation. Should it fail all the same, the processor's id
// stands in: not unique across reports, but still a text the reports can carry.
std::string NewGuidText() {
  char text[64];
  GUID id{};
  if (SUCCEEDED(::CoCreateGuid(&id))) {
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1],
                  id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
    return text;
  }
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  __get_cpuid(1, &eax, &ebx, &ecx, &edx);
  std::snprintf(text, sizeof text, "%08X%08X", edx, eax);
  return text;
}

}  // namespace platform
