// Network adapters from sysfs.
#include "platform/network-adapter-linux.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <system_error>
#include <utility>

#include "platform/network-adapter.h"

namespace platform {
namespace {

// First line of a sysfs attribute file; empty when it cannot be read.
std::string ReadAttribute(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

long ReadNumber(const std::filesystem::path& file, long fallback) {
  const std::string text = ReadAttribute(file);
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  return (text.empty() || *end != '\0') ? fallback : value;
}

// "aa:bb:cc:dd:ee:ff" in upper case; empty unless the text holds exactly six bytes.
std::string FormatHardwareAddress(const std::string& text) {
  unsigned int b[6];
  char tail;
  if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5],
                  &tail) != 6) {
    return {};
  }
  char out[18];
  std::snprintf(out, sizeof out, "%02X:%02X:%02X:%02X:%02X:%02X", b[0], b[1], b[2], b[3], b[4], b[5]);
  return out;
}

constexpr long kArphrdEther = 1;

}  // namespace

std::string WiredAdapterAddressIn(const std::filesystem::path& netClassDir) {
  std::error_code error;
  std::filesystem::directory_iterator it(netClassDir, error);
  if (error) return {};

  // Adapters are taken in interface-index order, the order the system lists them in.
  long bestIndex = std::numeric_limits<long>::max();
  std::string best;
  for (const auto& entry : it) {
    const std::filesystem::path dir = entry.path();
    if (ReadNumber(dir / "type", -1) != kArphrdEther || ReadNumber(dir / "addr_len", -1) != 6) continue;
    if (std::filesystem::exists(dir / "wireless", error) || std::filesystem::exists(dir / "phy80211", error)) {
      continue;
    }
    const long index = ReadNumber(dir / "ifindex", std::numeric_limits<long>::max());
    std::string address = FormatHardwareAddress(ReadAttribute(dir / "address"));
    if (!address.empty() && (best.empty() || index < bestIndex)) {
      bestIndex = index;
      best = std::move(address);
    }
  }
  return best;
}

std::string WiredAdapterAddress() { return WiredAdapterAddressIn("/sys/class/net"); }

}  // namespace platform
