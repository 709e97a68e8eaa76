// The close-notice watch and window handles of GTK windows on X11.
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include "platform/close-notice-x11.h"
#include "platform/top-level-window-gtk.h"

namespace platform {
namespace {

struct NoticeWatch {
  std::function<void()> onNotice;
  Atom atom;
};

GdkFilterReturn FilterNotice(GdkXEvent* xevent, GdkEvent*, gpointer data) {
  auto* watch = static_cast<NoticeWatch*>(data);
  auto* e = static_cast<XEvent*>(xevent);
  if (e->type == ClientMessage && e->xclient.message_type == watch->atom) {
    watch->onNotice();
    return GDK_FILTER_REMOVE;
  }
  return GDK_FILTER_CONTINUE;
}

}  // namespace

void WatchCloseNotice(GdkWindow* window, std::function<void()> onNotice) {
  Display* dpy = GDK_DISPLAY_XDISPLAY(gdk_window_get_display(window));
  auto* watch = new NoticeWatch{std::move(onNotice), XInternAtom(dpy, kCloseNoticeAtom, False)};
  gdk_window_add_filter(window, FilterNotice, watch);
  g_object_set_data_full(G_OBJECT(window), "cvl-close-notice-watch", watch,
                         [](gpointer p) { delete static_cast<NoticeWatch*>(p); });
}

WindowId WindowIdOf(GtkWidget* widget) {
  GdkWindow* window = widget != nullptr ? gtk_widget_get_window(widget) : nullptr;
  if (window == nullptr || !GDK_IS_X11_WINDOW(window)) return 0;
  return gdk_x11_window_get_xid(window);
}

}  // namespace platform
