#include "platform/display.h"

#include <X11/Xlib.h>
#include <gdk/gdk.h>

#include "platform/process-environment.h"

namespace platform {

bool X11DisplayAvailable() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  XCloseDisplay(display);
  return true;
}

void SelectX11Backend() {
  gdk_set_allowed_backends("x11");
  // GDK obeys the variable over the allowed backends, and so do the web engine's own processes.
  OverrideForThisProcess("GDK_BACKEND", "x11");
}

}  // namespace platform
