#pragma once
// Ids of the resources compiled into the launcher besides its string table.
#include <cstdint>

namespace res {

inline constexpr std::uint16_t IDR_SEVENZIP_PLUGIN = 141;  // "DLL"
inline constexpr std::uint16_t IDR_UNINSTALLER = 162;      // "EXE"

// The program icon ("ICON"), in each square size that deployment installs for the desktop.
struct IconResource {
  std::uint16_t id;
  int pixels;
};
inline constexpr IconResource kIcons[] = {{160, 64}};

}  // namespace res
