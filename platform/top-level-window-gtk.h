#pragma once
// The top-level window facility for windows the toolkit made.
#include <functional>

#include "platform/top-level-window.h"

typedef struct _GdkWindow GdkWindow;
typedef struct _GtkWidget GtkWidget;

namespace platform {

// Calls `onNotice` on the GUI thread whenever a close notice (see SendCloseNotice) reaches
// `window` (a realized GDK window). The watch ends with the window.
void WatchCloseNotice(GdkWindow* window, std::function<void()> onNotice);

// The system's handle of a realized widget's window; 0 when it has none.
WindowId WindowIdOf(GtkWidget* widget);

}  // namespace platform
