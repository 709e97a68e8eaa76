#include "ui/toolkit.h"

#include <gtk/gtk.h>

#include "platform/shortcut-posix.h"

namespace ui {

void DisableToolkitLocale() { gtk_disable_setlocale(); }

void InitToolkit(int* argc, char*** argv) {
  gtk_init(argc, argv);
  // The class half of WM_CLASS, which the desktop entries name in StartupWMClass=; after
  // gtk_init, which sets it from the program name. The program name, the other half, stays the
  // toolkit's choice: the web view keeps its stored data in a folder named after it.
  gdk_set_program_class(platform::kWindowClass);
}

}  // namespace ui
