#pragma once
// Resources compiled into the executable, found by type and id ("PNG" 131, "DLL" 141, ...).
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace platform {

// The bytes of resource (type, id), or nothing when the executable does not carry it.
std::optional<std::span<const unsigned char>> FindResource(std::string_view type, int id);

}  // namespace platform
