// Top-level windows on X11. The titles are _NET_WM_NAME, else WM_NAME; the windows searched are
// the window manager's client list, else the root's children and their children.
#include "platform/top-level-window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/close-notice-x11.h"

namespace platform {
namespace {

struct DisplayCloser {
  void operator()(Display* d) const { XCloseDisplay(d); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

DisplayPtr OpenDisplay() { return DisplayPtr(XOpenDisplay(nullptr)); }

// The bytes of a window property, empty when it is missing or of another type.
std::vector<unsigned char> ReadProperty(Display* d, Window w, Atom property, Atom type, int* format = nullptr) {
  std::vector<unsigned char> bytes;
  Atom actualType = None;
  int actualFormat = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(d, w, property, 0, 1 << 20, False, type, &actualType, &actualFormat, &count, &remaining,
                         &data) != Success) {
    return bytes;
  }
  if (data != nullptr && actualType == type) {
    // Xlib hands 32-bit items out as longs.
    size_t itemSize = actualFormat == 32 ? sizeof(long) : static_cast<size_t>(actualFormat / 8);
    bytes.assign(data, data + count * itemSize);
    if (format != nullptr) *format = actualFormat;
  }
  if (data != nullptr) XFree(data);
  return bytes;
}

std::string WindowTitle(Display* d, Window w) {
  std::vector<unsigned char> name =
      ReadProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), XInternAtom(d, "UTF8_STRING", False));
  if (name.empty()) {
    XTextProperty text{};
    if (XGetWMName(d, w, &text) && text.value != nullptr) {
      name.assign(text.value, text.value + text.nitems);
      XFree(text.value);
    }
  }
  return std::string(name.begin(), name.end());
}

std::vector<Window> Children(Display* d, Window w) {
  Window root = None, parent = None;
  Window* children = nullptr;
  unsigned int count = 0;
  std::vector<Window> result;
  if (XQueryTree(d, w, &root, &parent, &children, &count) && children != nullptr) {
    result.assign(children, children + count);
    XFree(children);
  }
  return result;
}

// Errors on the connections of these calls are expected (a target that does not exist, a window
// that vanishes between listing and reading) and must not end the process, as Xlib's default
// handler would; errors on any other connection go to the handler that was there before.
std::mutex g_errorMutex;
Display* g_quietDisplay = nullptr;
XErrorHandler g_previousHandler = nullptr;

int QuietErrorHandler(Display* d, XErrorEvent* e) {
  if (d == g_quietDisplay) return 0;
  return g_previousHandler != nullptr ? g_previousHandler(d, e) : 0;
}

// For its lifetime, X errors on `display` are ignored; it ends with a round trip, so that the
// errors of every request made meanwhile have arrived.
class QuietErrors {
 public:
  explicit QuietErrors(Display* display) : lock_(g_errorMutex), display_(display) {
    g_quietDisplay = display;
    g_previousHandler = XSetErrorHandler(QuietErrorHandler);
  }
  ~QuietErrors() {
    XSync(display_, False);
    XSetErrorHandler(g_previousHandler);
    g_quietDisplay = nullptr;
  }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;

 private:
  std::lock_guard<std::mutex> lock_;
  Display* display_;
};

XEvent ClientMessageEvent(Window w, Atom type, long l0, long l1, long l2) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = type;
  e.xclient.format = 32;
  e.xclient.data.l[0] = l0;
  e.xclient.data.l[1] = l1;
  e.xclient.data.l[2] = l2;
  return e;
}

void SendStateMessage(Display* d, Window w, Atom type, long l0, long l1, long l2) {
  XEvent e = ClientMessageEvent(w, type, l0, l1, l2);
  e.xclient.data.l[3] = 1;  // source indication: an application
  XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
}

}  // namespace

WindowId FindTopLevelWindow(std::string_view title) {
  DisplayPtr d = OpenDisplay();
  if (!d) return 0;
  Display* dpy = d.get();
  QuietErrors quiet(dpy);
  Window root = DefaultRootWindow(dpy);

  std::vector<unsigned char> list = ReadProperty(dpy, root, XInternAtom(dpy, "_NET_CLIENT_LIST", False), XA_WINDOW);
  std::vector<Window> candidates;
  if (!list.empty()) {
    const long* ids = reinterpret_cast<const long*>(list.data());
    for (size_t i = 0; i < list.size() / sizeof(long); ++i) candidates.push_back(static_cast<Window>(ids[i]));
  } else {
    // No window manager list: the clients are the root's children or, under a reparenting
    // manager, the children of its frames.
    for (Window top : Children(dpy, root)) {
      candidates.push_back(top);
      for (Window inner : Children(dpy, top)) candidates.push_back(inner);
    }
  }
  for (Window w : candidates) {
    if (WindowTitle(dpy, w) == title) return w;
  }
  return 0;
}

void ShowAndRaiseWindow(WindowId window) {
  DisplayPtr d = OpenDisplay();
  if (!d || window == 0) return;
  Display* dpy = d.get();
  QuietErrors quiet(dpy);

  Atom state = XInternAtom(dpy, "_NET_WM_STATE", False);
  Atom above = XInternAtom(dpy, "_NET_WM_STATE_ABOVE", False);
  constexpr long kRemove = 0, kAdd = 1;
  XMapRaised(dpy, window);
  SendStateMessage(dpy, window, state, kAdd, static_cast<long>(above), 0);
  SendStateMessage(dpy, window, state, kRemove, static_cast<long>(above), 0);
  SendStateMessage(dpy, window, XInternAtom(dpy, "_NET_ACTIVE_WINDOW", False), 2, CurrentTime, 0);
}

// See close-notice-x11.h for the property and the message. X errors of these requests (a window
// that does not exist) are ignored.
bool SendCloseNotice(WindowId target, long wParam, long dataTag, std::span<const std::uint8_t> record) {
  DisplayPtr d = OpenDisplay();
  if (!d) return false;
  Display* dpy = d.get();
  QuietErrors quiet(dpy);

  Atom atom = XInternAtom(dpy, kCloseNoticeAtom, False);
  XChangeProperty(dpy, target, atom, atom, 8, PropModeReplace, record.data(), static_cast<int>(record.size()));
  XEvent e = ClientMessageEvent(target, atom, wParam, dataTag, static_cast<long>(record.size()));
  XSendEvent(dpy, target, False, NoEventMask, &e);
  return true;
}

}  // namespace platform
