#include "ui/pic-button.h"

#include <gtk/gtk.h>

namespace ui {

struct PicButtonSignals {
  static gboolean Draw(GtkWidget*, cairo_t* cr, gpointer data) {
    auto* self = static_cast<CPicButton*>(data);
    if (self->m_image.IsNull()) return TRUE;
    // At (0, 0) in the picture's own size, source over: no scaling, no centring.
    cairo_set_source_surface(cr, self->m_image.Surface(), 0, 0);
    cairo_rectangle(cr, 0, 0, self->m_image.GetWidth(), self->m_image.GetHeight());
    cairo_fill(cr);
    return TRUE;
  }

  static gboolean Press(GtkWidget*, GdkEventButton* event, gpointer data) {
    auto* self = static_cast<CPicButton*>(data);
    if (event->type == GDK_BUTTON_PRESS && event->button == GDK_BUTTON_PRIMARY) self->m_pressed = true;
    return TRUE;  // a press on a button never drags the window
  }

  static gboolean Release(GtkWidget* widget, GdkEventButton* event, gpointer data) {
    auto* self = static_cast<CPicButton*>(data);
    if (event->button != GDK_BUTTON_PRIMARY || !self->m_pressed) return TRUE;
    self->m_pressed = false;
    GtkAllocation a;
    gtk_widget_get_allocation(widget, &a);
    bool inside = event->x >= 0 && event->y >= 0 && event->x < a.width && event->y < a.height;
    if (inside && self->m_onClicked) self->m_onClicked();
    return TRUE;
  }

  static void Destroyed(GtkWidget*, gpointer data) { static_cast<CPicButton*>(data)->m_widget = nullptr; }
};

CPicButton::~CPicButton() {
  if (m_widget != nullptr) g_signal_handlers_disconnect_by_data(m_widget, this);
}

void CPicButton::Attach(GtkWidget* widget) {
  m_widget = widget;
  gtk_widget_set_app_paintable(widget, TRUE);
  gtk_widget_add_events(widget, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
  g_signal_connect(widget, "draw", G_CALLBACK(PicButtonSignals::Draw), this);
  g_signal_connect(widget, "button-press-event", G_CALLBACK(PicButtonSignals::Press), this);
  g_signal_connect(widget, "button-release-event", G_CALLBACK(PicButtonSignals::Release), this);
  g_signal_connect(widget, "destroy", G_CALLBACK(PicButtonSignals::Destroyed), this);
}

}  // namespace ui
