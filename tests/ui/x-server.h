#pragma once
// A private X server (Xvfb) for the window tests, optionally with Debian's openbox as window
// manager, and the helpers the tests drive the window with.
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>

typedef struct _XDisplay Display;

namespace uitest {

class XServer {
 public:
  // Starts Xvfb with a screen of `width` x `height` (24-bit) and, when asked, openbox on it.
  XServer(int width, int height, bool windowManager);
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  const std::string& Name() const { return name_; }  // ":N"
  bool Ok() const { return ok_; }

 private:
  std::string name_;
  pid_t server_ = -1;
  pid_t manager_ = -1;
  bool ok_ = false;
};

// Iterates the GTK main context until `done` is true; false when `limit` passed first.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10));
// Iterates for a while, for things that must not happen.
void PumpFor(std::chrono::milliseconds duration);

// Runs xdotool with `arguments` on the display in DISPLAY; true when it exits with 0.
bool XDoTool(const std::string& arguments);

// Geometry of a top-level window in root coordinates, through its own connection.
struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;
  bool viewable = false;
};
Geometry WindowGeometry(unsigned long window);

// Whether the window manager lists _NET_WM_STATE_ABOVE for `window`.
bool HasAboveState(unsigned long window);

}  // namespace uitest
