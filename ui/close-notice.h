#pragma once
// The record the launcher sends to the window named by --winid when its close button closes it:
// 528 bytes, little-endian: the integer 1, the UTF-16 text "1" in 260 units (zero-filled), the
// integer 1. It travels with the data tag 1.
#include <array>
#include <cstddef>
#include <cstdint>

namespace ui {

inline constexpr std::size_t kCloseNoticeSize = 528;
inline constexpr long kCloseNoticeDataTag = 1;

std::array<std::uint8_t, kCloseNoticeSize> CloseNoticeRecord();

}  // namespace ui
