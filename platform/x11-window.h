#pragma once
// Top-level windows of the X11 desktop, found and handled the way the launcher needs: by title,
// raised to the front, and sent the close notice. Each call makes its own short connection to the
// display named by DISPLAY, so it works before the toolkit is up and from any thread.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

typedef struct _GdkWindow GdkWindow;
typedef struct _GtkWidget GtkWidget;

namespace platform {

// An X11 window id; 0 is no window.
using WindowId = unsigned long;

// The first top-level window titled exactly `title` (_NET_WM_NAME, else WM_NAME): the window
// manager's client list, else the root's children and their children. 0 when there is none or
// no display. A window that vanishes while it is being read is no match and no error.
WindowId FindTopLevelWindow(std::string_view title);

// Shown normally (restored when iconified), put above all others and at once back to the normal
// layer, and given the input focus: in front, but no longer always on top.
void ShowAndRaiseWindow(WindowId window);

// The close notice: the record goes into the property CVL_COPYDATA (type CVL_COPYDATA, 8-bit) of
// `target`, then a CVL_COPYDATA client message with l[0] = wParam, l[1] = dataTag,
// l[2] = the record's size tells the window it is there. X errors of these requests (a window
// that does not exist) are ignored. False when the display cannot be opened.
bool SendCloseNotice(WindowId target, long wParam, long dataTag, std::span<const std::uint8_t> record);

// Calls `onNotice` on the GUI thread whenever a CVL_COPYDATA client message reaches `window`
// (a realized GDK window). The watch ends with the window.
void WatchCloseNotice(GdkWindow* window, std::function<void()> onNotice);

// The X11 id of a realized widget's window; 0 when it has none.
WindowId WindowIdOf(GtkWidget* widget);

}  // namespace platform
