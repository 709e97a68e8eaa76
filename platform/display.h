#pragma once
// Whether an X11 display can be reached (DISPLAY set and the server answering). The launcher
// needs one and says so before anything else when there is none.
namespace platform {

bool X11DisplayAvailable();

// Makes the toolkit use X11 even on a Wayland desktop (through XWayland), whatever GDK_BACKEND
// says: the toolkit would obey the variable over the program's own choice. Call before anything
// else has started a thread, and before the toolkit starts.
void SelectX11Backend();

// Gives GDK_BACKEND back the value SelectX11Backend took away, once the toolkit has opened its
// display, so that the programs the launcher starts see the environment it was given.
void RestoreBackendVariable();

}  // namespace platform
