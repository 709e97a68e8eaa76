#pragma once
// Where Linux shows the network adapters: one folder per adapter under /sys/class/net.
#include <filesystem>
#include <string>

namespace platform {

// WiredAdapterAddress read from a sysfs network class folder laid out like /sys/class/net.
std::string WiredAdapterAddressIn(const std::filesystem::path& netClassDir);

}  // namespace platform
