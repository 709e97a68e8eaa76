#pragma once
// The window's shape from a picture's alpha channel: for every row, one rectangle per maximal run
// of pixels whose alpha is at least the threshold. Rows without such pixels add nothing.
#include <cstdint>
#include <vector>

#include "ui/dialog-layout.h"

namespace ui {

inline constexpr std::uint8_t kShapeAlphaThreshold = 120;

// `pixels` points at `height` rows of `width` 32-bit pixels with alpha in the top byte (cairo's
// ARGB32), `stride` bytes apart. Each rectangle is one pixel high.
std::vector<Rect> ShapeRectangles(const std::uint8_t* pixels, int width, int height, int stride,
                                  std::uint8_t threshold = kShapeAlphaThreshold);

}  // namespace ui
