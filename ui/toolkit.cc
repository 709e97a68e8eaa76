#include "ui/toolkit.h"

#include <gtk/gtk.h>

namespace ui {

void DisableToolkitLocale() { gtk_disable_setlocale(); }

void InitToolkit(int* argc, char*** argv) { gtk_init(argc, argv); }

}  // namespace ui
