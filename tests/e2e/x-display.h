#pragma once
// What the end-to-end tests see of the launcher's windows, through a connection of their own to
// the display in DISPLAY: top-level windows by title, their stacking, the pixels of a region, and
// a plain window of the test's own to lay over them.
#include <cstdint>
#include <string>
#include <vector>

typedef struct _XDisplay Display;

namespace e2e {

class XDisplay {
 public:
  XDisplay();  // opens DISPLAY; Ok() tells whether that worked
  ~XDisplay();
  XDisplay(const XDisplay&) = delete;
  XDisplay& operator=(const XDisplay&) = delete;

  bool Ok() const { return display_ != nullptr; }

  // Viewable top-level windows whose title (_NET_WM_NAME, else WM_NAME) is exactly `title`,
  // bottom of the stack first. Without a window manager the top level is the root's children;
  // under a reparenting one, their children are searched too.
  std::vector<unsigned long> ViewableWindows(const std::string& title);
  unsigned long FirstViewableWindow(const std::string& title);

  // Whether `upper` is stacked above `lower` among the root's children (each window is taken at
  // its top-level ancestor).
  bool StackedAbove(unsigned long upper, unsigned long lower);

  // The pixels (0xRRGGBB) of a region of `window`, row by row; empty when it cannot be read.
  std::vector<std::uint32_t> Pixels(unsigned long window, int x, int y, int width, int height);

  // Maps a plain window of `width` x `height` at the screen's origin and waits until it is
  // viewable; CloseCover removes it.
  unsigned long OpenCover(int width, int height);
  void CloseCover(unsigned long window);

 private:
  unsigned long TopLevelAncestor(unsigned long window);

  Display* display_ = nullptr;
};

}  // namespace e2e
