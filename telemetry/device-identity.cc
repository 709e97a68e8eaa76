#include "telemetry/device-identity.h"

#include <array>

#include "platform/guid.h"
#include "platform/network-adapter.h"
#include "platform/system-version.h"

namespace telemetry {
namespace {

struct VersionCheck {
  int major;
  int minor;
  int servicePack;
  const char* name;
};

// Lowest first: the last check that passes names the system.
constexpr std::array<VersionCheck, 12> kVersionChecks = {{
    {5, 1, 0, "XPOrGreater"},
    {5, 1, 1, "XPSP1OrGreater"},
    {5, 1, 2, "XPSP2OrGreater"},
    {5, 1, 3, "XPSP3OrGreater"},
    {6, 0, 0, "VistaOrGreater"},
    {6, 0, 1, "VistaSP1OrGreater"},
    {6, 0, 2, "VistaSP2OrGreater"},
    {6, 1, 0, "Windows7OrGreater"},
    {6, 1, 1, "Windows7SP1OrGreater"},
    {6, 2, 0, "Windows8OrGreater"},
    {6, 3, 0, "Windows8Point1OrGreater"},
    {10, 0, 0, "Windows10OrGreater"},
}};

}  // namespace

bool IsVersionOrGreater(int major, int minor, int servicePackMajor) {
  return platform::IsWindowsVersionOrGreater(major, minor, servicePackMajor);
}

std::string OsName() {
  std::string name;
  for (const VersionCheck& check : kVersionChecks) {
    if (IsVersionOrGreater(check.major, check.minor, check.servicePack)) name = check.name;
  }
  return name;
}

std::string MacAddress() { return platform::WiredAdapterAddress(); }

std::string NewUniqueId() { return platform::NewGuidText(); }

}  // namespace telemetry
