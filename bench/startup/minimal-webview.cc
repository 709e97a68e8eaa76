// The yardstick of the start-up benchmark: the least a program can do to show a web page with
// WebKitGTK, a window holding one web view of the launcher's web view size, loading the URL given.
//   startup_minimal_webview URL
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdio>

int main(int argc, char** argv) {
  gdk_set_allowed_backends("x11");
  gtk_init(&argc, &argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: startup_minimal_webview URL\n");
    return 2;
  }
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "startup-minimal");
  gtk_window_set_default_size(GTK_WINDOW(window), 645, 438);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  GtkWidget* view = webkit_web_view_new();
  gtk_container_add(GTK_CONTAINER(window), view);
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[1]);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
