#pragma once
// Premultiplied alpha as the button pictures and the shape picture are loaded: each colour
// channel becomes value * alpha / 255 in integer arithmetic, truncated; alpha stays.
#include <cstdint>

namespace ui {

constexpr std::uint8_t PremultiplyChannel(std::uint8_t value, std::uint8_t alpha) {
  return static_cast<std::uint8_t>(value * alpha / 255);
}

// One 32-bit pixel with alpha in the top byte; the three colour bytes are treated alike.
constexpr std::uint32_t PremultiplyPixel(std::uint32_t pixel) {
  auto a = static_cast<std::uint8_t>(pixel >> 24);
  auto channel = [&](int shift) {
    return std::uint32_t{PremultiplyChannel(static_cast<std::uint8_t>(pixel >> shift), a)} << shift;
  };
  return (pixel & 0xFF000000u) | channel(16) | channel(8) | channel(0);
}

}  // namespace ui
