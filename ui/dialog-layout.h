#pragma once
// Where the main dialog and its controls sit, in pixels, and the two rules that place them: the
// dialog-unit conversion of the template, and the centring on the primary monitor. The login
// page's placeholder and place belong to the web view (web/html-view-place.h).
#include "web/html-view-place.h"

namespace ui {

struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
  int x = 0;
  int y = 0;
  friend constexpr bool operator==(const Point&, const Point&) = default;
};

inline constexpr int kDialogWidth = 1280;
inline constexpr int kDialogHeight = 725;

inline constexpr int IDC_BTN_MIN = 1003;
inline constexpr int IDC_BTN_CLOSE = 1004;
inline constexpr int IDC_PROGRESS = 1006;
inline constexpr int IDC_STATIC_STATUS = 1008;
inline constexpr int IDC_WEB_FRAME = web::kViewPlaceholderId;

// Template places in dialog units of the dialog font. The status line and the login page's
// placeholder keep theirs.
inline constexpr Rect kDialogTemplateDu{0, 0, 858, 446};
inline constexpr Rect kMinButtonDu{710, 65, 22, 16};
inline constexpr Rect kCloseButtonDu{735, 64, 23, 16};
inline constexpr Rect kProgressDu{304, 406, 463, 7};
inline constexpr Rect kStatusLineDu{303, 373, 40, 11};
inline constexpr Rect kWebFrameDu{329, 82, 430, 270};

// Places in pixels that the dialog gives the buttons and the bar when it initialises, in place
// of their template places.
inline constexpr Rect kMinButtonRect{1056, 96, 27, 27};
inline constexpr Rect kCloseButtonRect{1105, 92, 39, 39};
inline constexpr Rect kProgressRect{523, 608, 556, 8};  // the one-pixel border included

// Base units of the dialog font (8-point "MS Shell Dlg").
inline constexpr int kBaseUnitX = 6;
inline constexpr int kBaseUnitY = 13;

// n * numerator / denominator, rounded half away from zero (for the non-negative values here).
constexpr int MulDiv(int n, int numerator, int denominator) {
  long long product = static_cast<long long>(n) * numerator;
  long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

constexpr Rect DialogUnitsToPixels(Rect du) {
  return Rect{MulDiv(du.x, kBaseUnitX, 4), MulDiv(du.y, kBaseUnitY, 8), MulDiv(du.width, kBaseUnitX, 4),
              MulDiv(du.height, kBaseUnitY, 8)};
}

// Centred on the primary monitor's rectangle (its origin need not be 0, 0) where the monitor is
// larger than the dialog; where it is no larger in one direction, that edge stays where it is.
constexpr Point CenteredOrigin(Rect monitor, Point current) {
  Point p = current;
  if (monitor.width > kDialogWidth) p.x = monitor.x + (monitor.width - kDialogWidth) / 2;
  if (monitor.height > kDialogHeight) p.y = monitor.y + (monitor.height - kDialogHeight) / 2;
  return p;
}

}  // namespace ui
