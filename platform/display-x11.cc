// The display is X11: DISPLAY set and the server answering.
#include "platform/display.h"

#include <X11/Xlib.h>
#include <gdk/gdk.h>

#include "platform/process-environment.h"

namespace platform {

bool DisplayAvailable() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  XCloseDisplay(display);
  return true;
}

// X11 even on a Wayland desktop (through XWayland), whatever GDK_BACKEND says: the launcher and
// the web engine's processes run on X11, while the programs the launcher starts see GDK_BACKEND
// as it was given.
void SelectDisplayBackend() {
  gdk_set_allowed_backends("x11");
  // GDK obeys the variable over the allowed backends, and so do the web engine's own processes.
  OverrideForThisProcess("GDK_BACKEND", "x11");
}

}  // namespace platform
