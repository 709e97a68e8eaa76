#pragma once
// What the embedded web view needs from the dialog that hosts it, and all it knows of it: any
// window with a fixed client area and the placeholder (web/html-view-place.h) can host the view;
// the main dialog is the launcher's.
#include <cstdint>

typedef struct _GtkWidget GtkWidget;
typedef struct _GtkFixed GtkFixed;

class IHtmlViewHost {
 public:
  virtual ~IHtmlViewHost() = default;
  // The control `id` inside ClientArea(), or null when the dialog has none.
  virtual GtkWidget* GetDlgItem(int id) = 0;
  // The dialog's client area; children sit at client coordinates in pixels.
  virtual GtkFixed* ClientArea() = 0;
  // Shown normally (restored when minimized), raised, no longer always on top, foreground.
  virtual void BringToFront() = 0;
  // The dialog's window id (an X11 window id on Linux); 0 when the window does not exist.
  virtual std::int32_t WindowHandle() = 0;
  // Destroys the dialog's window, which ends its modal run; true on success.
  virtual bool DestroyWindow() = 0;
};
