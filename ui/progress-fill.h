#pragma once
// How much of the progress bar's client area is filled: the client width divided by the range's
// span in double precision, times the position (not the position minus the lower limit),
// truncated. Whatever falls outside the client area is clipped, so the result lies in
// [0, clientWidth]; an empty range fills nothing.
#include <algorithm>
#include <cmath>

namespace ui {

inline int ProgressFillWidth(int clientWidth, int lower, int upper, int position) {
  if (upper == lower || clientWidth <= 0) return 0;
  double perUnit = static_cast<double>(clientWidth) / (static_cast<double>(upper) - lower);
  double right = std::trunc(position * perUnit);
  return static_cast<int>(std::clamp(right, 0.0, static_cast<double>(clientWidth)));
}

}  // namespace ui
