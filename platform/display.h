#pragma once
// Whether an X11 display can be reached (DISPLAY set and the server answering). The launcher
// needs one and says so before anything else when there is none.
namespace platform {

bool X11DisplayAvailable();

// Makes the toolkit use X11 even on a Wayland desktop (through XWayland), whatever GDK_BACKEND
// says: the launcher and the web engine's processes run on X11, while the programs the launcher
// starts see GDK_BACKEND as it was given. Call before any other thread runs.
void SelectX11Backend();

}  // namespace platform
