#pragma once
// Top-level windows of the desktop, found and handled the way the launcher needs: by title,
// raised to the front, and sent the close notice. Each call makes its own short connection to the
// desktop's display, so it works before the toolkit is up and from any thread.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace platform {

// The system's handle of a top-level window, in an integer wide enough for every system's kind;
// 0 is no window.
using WindowId = std::uintptr_t;

// The first top-level window titled exactly `title`: the windows the window manager lists, else
// the desktop's top-level windows and the windows inside their frames. 0 when there is none or
// no display. A window that vanishes while it is being read is no match and no error.
WindowId FindTopLevelWindow(std::string_view title);

// Shown normally (restored when iconified), put above all others and at once back to the normal
// layer, and given the input focus: in front, but no longer always on top.
void ShowAndRaiseWindow(WindowId window);

// The close notice: `record` is handed to `target` with wParam and dataTag beside it, and the
// window is told that it is there. A target that does not exist is no error. False when the
// display cannot be reached.
bool SendCloseNotice(WindowId target, long wParam, long dataTag, std::span<const std::uint8_t> record);

}  // namespace platform
