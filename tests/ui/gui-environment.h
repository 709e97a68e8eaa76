#pragma once
// Every window test runs on a private 1920 x 1080 Xvfb with openbox as window manager, started
// before the first test and stopped after the last, with GTK initialised on it.
#include <gtk/gtk.h>

#include <string>

#include "x-server.h"

namespace uitest {

// A borderless top-level window, not shown yet, at (x, y) on the screen and `width` x `height`
// big: the bare surface a test puts a control on or lays behind the dialog.
inline GtkWidget* BorderlessWindow(int x, int y, int width, int height) {
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
  gtk_window_move(GTK_WINDOW(window), x, y);
  gtk_window_set_default_size(GTK_WINDOW(window), width, height);
  return window;
}

// While it lives, GTK's default display (where new windows open) and DISPLAY (what the platform
// calls connect to) are another server; both are restored afterwards.
class ScopedDisplay {
 public:
  explicit ScopedDisplay(const std::string& name);
  ~ScopedDisplay();
  bool Ok() const { return display_ != nullptr; }

 private:
  GdkDisplay* previous_ = nullptr;
  GdkDisplay* display_ = nullptr;
  std::string previousName_;
};

}  // namespace uitest
