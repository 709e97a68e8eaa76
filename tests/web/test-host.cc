#include "test-host.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <chrono>
#include <thread>

#include "web/html-view-place.h"

TestHost::TestHost() : TestHost(Options{}) {}

TestHost::TestHost(Options options) : options_(options) {
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  g_object_add_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));
  gtk_window_set_decorated(GTK_WINDOW(window_), FALSE);
  gtk_window_set_default_size(GTK_WINDOW(window_), 1280, 725);
  gtk_window_move(GTK_WINDOW(window_), 0, 0);
  fixed_ = gtk_fixed_new();
  gtk_container_add(GTK_CONTAINER(window_), fixed_);
  if (options_.placeholder) {
    placeholder_ = gtk_label_new("placeholder 1009");
    g_object_add_weak_pointer(G_OBJECT(placeholder_), reinterpret_cast<gpointer*>(&placeholder_));
    gtk_fixed_put(GTK_FIXED(fixed_), placeholder_, 497, 132);
  }
  gtk_widget_show_all(window_);
  WaitUntil([this] { return gtk_widget_get_mapped(window_); }, 5);
}

TestHost::~TestHost() {
  if (window_) gtk_widget_destroy(window_);
  RunFor(0.05);
}

GtkWidget* TestHost::GetDlgItem(int id) { return id == web::kViewPlaceholderId ? placeholder_ : nullptr; }

GtkFixed* TestHost::ClientArea() { return GTK_FIXED(fixed_); }

std::int32_t TestHost::WindowHandle() {
  if (!window_ || !gtk_widget_get_window(window_)) return 0;
  return static_cast<std::int32_t>(GDK_WINDOW_XID(gtk_widget_get_window(window_)));
}

bool TestHost::DestroyWindow() {
  ++destroyRequests;
  if (!window_) return false;
  if (options_.destroyOnRequest) gtk_widget_destroy(window_);
  return true;
}

bool WaitUntil(const std::function<bool()>& done, double seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    if (!g_main_context_iteration(nullptr, FALSE)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

void RunFor(double seconds) {
  WaitUntil([] { return false; }, seconds);
}
