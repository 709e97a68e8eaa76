#include "platform/display.h"

#include <X11/Xlib.h>
#include <gdk/gdk.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace platform {

bool X11DisplayAvailable() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  XCloseDisplay(display);
  return true;
}

namespace {

std::optional<std::string> g_backendVariable;

}  // namespace

void SelectX11Backend() {
  gdk_set_allowed_backends("x11");
  if (const char* value = std::getenv("GDK_BACKEND")) {
    g_backendVariable = value;
    unsetenv("GDK_BACKEND");
  }
}

void RestoreBackendVariable() {
  if (g_backendVariable) setenv("GDK_BACKEND", g_backendVariable->c_str(), 1);
  g_backendVariable.reset();
}

}  // namespace platform
