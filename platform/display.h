#pragma once
// Whether an X11 display can be reached (DISPLAY set and the server answering). The launcher
// needs one and says so before anything else when there is none.
namespace platform {

bool X11DisplayAvailable();

// Makes the toolkit use X11 even on a Wayland desktop (through XWayland). Call before the
// toolkit starts.
void SelectX11Backend();

}  // namespace platform
