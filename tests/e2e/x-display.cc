#include "e2e/x-display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace e2e {

namespace {

std::vector<Window> Children(Display* d, Window w) {
  Window root = 0, parent = 0;
  Window* kids = nullptr;
  unsigned int n = 0;
  std::vector<Window> out;
  if (XQueryTree(d, w, &root, &parent, &kids, &n) != 0 && kids != nullptr) {
    out.assign(kids, kids + n);
    XFree(kids);
  }
  return out;
}

std::string Title(Display* d, Window w) {
  Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  Atom net_name = XInternAtom(d, "_NET_WM_NAME", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(d, w, net_name, 0, 1024, False, utf8, &type, &format, &count, &after,
                         &data) == Success &&
      data != nullptr) {
    std::string title(reinterpret_cast<char*>(data), count);
    XFree(data);
    if (type == utf8) return title;
  }
  char* name = nullptr;
  if (XFetchName(d, w, &name) != 0 && name != nullptr) {
    std::string title = name;
    XFree(name);
    return title;
  }
  return {};
}

bool Viewable(Display* d, Window w) {
  XWindowAttributes a;
  return XGetWindowAttributes(d, w, &a) != 0 && a.map_state == IsViewable;
}

// Windows vanish while the tests look at them; their errors are not the tests' concern.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

XDisplay::XDisplay() {
  // An X server resets when its last client leaves, and refuses connections for a moment while
  // it does: the case before this one may just have closed the last.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while ((display_ = XOpenDisplay(nullptr)) == nullptr && std::getenv("DISPLAY") != nullptr &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (display_ != nullptr) XSetErrorHandler(IgnoreErrors);
}

XDisplay::~XDisplay() {
  if (display_ != nullptr) XCloseDisplay(display_);
}

std::vector<unsigned long> XDisplay::ViewableWindows(const std::string& title) {
  std::vector<unsigned long> found;
  if (display_ == nullptr) return found;
  XSync(display_, False);
  for (Window top : Children(display_, DefaultRootWindow(display_))) {
    if (!Viewable(display_, top)) continue;
    if (Title(display_, top) == title) {
      found.push_back(top);
      continue;
    }
    for (Window inner : Children(display_, top)) {
      if (Viewable(display_, inner) && Title(display_, inner) == title) found.push_back(inner);
    }
  }
  return found;
}

unsigned long XDisplay::FirstViewableWindow(const std::string& title) {
  auto windows = ViewableWindows(title);
  return windows.empty() ? 0 : windows.front();
}

unsigned long XDisplay::TopLevelAncestor(unsigned long window) {
  Window w = window;
  for (;;) {
    Window root = 0, parent = 0;
    Window* kids = nullptr;
    unsigned int n = 0;
    if (XQueryTree(display_, w, &root, &parent, &kids, &n) == 0) return 0;
    if (kids != nullptr) XFree(kids);
    if (parent == root) return w;
    w = parent;
  }
}

bool XDisplay::StackedAbove(unsigned long upper, unsigned long lower) {
  if (display_ == nullptr) return false;
  XSync(display_, False);
  Window up = TopLevelAncestor(upper), low = TopLevelAncestor(lower);
  int up_at = -1, low_at = -1, i = 0;
  for (Window w : Children(display_, DefaultRootWindow(display_))) {
    if (w == up) up_at = i;
    if (w == low) low_at = i;
    ++i;
  }
  return up_at >= 0 && low_at >= 0 && up_at > low_at;
}

std::vector<std::uint32_t> XDisplay::Pixels(unsigned long window, int x, int y, int width,
                                            int height) {
  std::vector<std::uint32_t> out;
  if (display_ == nullptr) return out;
  XImage* image = XGetImage(display_, window, x, y, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), AllPlanes, ZPixmap);
  if (image == nullptr) return out;
  out.reserve(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int row = 0; row < height; ++row) {
    for (int col = 0; col < width; ++col) {
      out.push_back(static_cast<std::uint32_t>(XGetPixel(image, col, row) & 0xFFFFFF));
    }
  }
  XDestroyImage(image);
  return out;
}

unsigned long XDisplay::OpenCover(int width, int height) {
  if (display_ == nullptr) return 0;
  Window root = DefaultRootWindow(display_);
  int screen = DefaultScreen(display_);
  Window w = XCreateSimpleWindow(display_, root, 0, 0, static_cast<unsigned>(width),
                                 static_cast<unsigned>(height), 0, BlackPixel(display_, screen),
                                 WhitePixel(display_, screen));
  XStoreName(display_, w, "e2e cover");
  XMapRaised(display_, w);
  XSync(display_, False);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!Viewable(display_, w) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return w;
}

void XDisplay::CloseCover(unsigned long window) {
  if (display_ == nullptr || window == 0) return;
  XDestroyWindow(display_, window);
  XSync(display_, False);
}

}  // namespace e2e
