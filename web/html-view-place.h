#pragma once
// Where the login page sits in the dialog that hosts it. The dialog's template holds a placeholder
// control that the view replaces; the view then takes a place of its own in the client area, in
// pixels, a few pixels off the placeholder's (which comes from dialog units).
namespace web {

inline constexpr int kViewPlaceholderId = 1009;

struct ViewPlace {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};
inline constexpr ViewPlace kViewPlace{497, 132, 645, 438};

}  // namespace web
