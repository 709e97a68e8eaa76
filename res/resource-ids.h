#pragma once
// Ids of the resources compiled into the launcher besides its string table.
#include <cstdint>

namespace res {

inline constexpr std::uint16_t IDR_SEVENZIP_PLUGIN = 141;  // "DLL"
inline constexpr std::uint16_t IDR_UNINSTALLER = 162;      // "EXE"

}  // namespace res
