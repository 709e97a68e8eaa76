#include "ui/window-shape.h"

#include <cstring>

namespace ui {

std::vector<Rect> ShapeRectangles(const std::uint8_t* pixels, int width, int height, int stride,
                                  std::uint8_t threshold) {
  std::vector<Rect> rects;
  if (pixels == nullptr) return rects;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
    int runStart = -1;
    for (int x = 0; x <= width; ++x) {
      bool inside = false;
      if (x < width) {
        std::uint32_t pixel;
        std::memcpy(&pixel, row + static_cast<std::ptrdiff_t>(x) * 4, sizeof pixel);
        inside = (pixel >> 24) >= threshold;
      }
      if (inside && runStart < 0) {
        runStart = x;
      } else if (!inside && runStart >= 0) {
        rects.push_back(Rect{runStart, y, x - runStart, 1});
        runStart = -1;
      }
    }
  }
  return rects;
}

}  // namespace ui
