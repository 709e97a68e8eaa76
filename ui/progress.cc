#include "ui/progress.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cstdint>

#include "ui/progress-fill.h"

namespace ui {
namespace {

// The bar has a one-pixel border of the window-frame colour; the client area lies inside it.
constexpr int kBorder = 1;

void SetColour(cairo_t* cr, int r, int g, int b) { cairo_set_source_rgb(cr, r / 255.0, g / 255.0, b / 255.0); }

}  // namespace

struct ProgressSignals {
  static gboolean Draw(GtkWidget* widget, cairo_t* cr, gpointer data) {
    static_cast<CProgress*>(data)->Paint(cr, gtk_widget_get_allocated_width(widget),
                                         gtk_widget_get_allocated_height(widget));
    return TRUE;
  }
  static void Destroyed(GtkWidget*, gpointer data) { static_cast<CProgress*>(data)->m_widget = nullptr; }
};

CProgress::~CProgress() {
  if (m_widget != nullptr) g_signal_handlers_disconnect_by_data(m_widget, this);
}

void CProgress::Attach(GtkWidget* widget) {
  m_widget = widget;
  g_signal_connect(widget, "draw", G_CALLBACK(ProgressSignals::Draw), this);
  g_signal_connect(widget, "destroy", G_CALLBACK(ProgressSignals::Destroyed), this);
}

void CProgress::SetRange(int lower, int upper) {
  SetRange32(static_cast<std::uint16_t>(lower), static_cast<std::uint16_t>(upper));
}

void CProgress::SetRange32(int lower, int upper) {
  m_lower = lower;
  m_upper = upper;
  SetPos(m_position);
}

void CProgress::SetPos(int position) {
  int low = std::min(m_lower, m_upper), high = std::max(m_lower, m_upper);
  m_position = std::clamp(position, low, high);
  OnPaint();
}

void CProgress::OnPaint() {
  if (m_widget != nullptr) gtk_widget_queue_draw(m_widget);
}

int CProgress::FilledWidth() const {
  int width = m_widget != nullptr ? gtk_widget_get_allocated_width(m_widget) : 0;
  return ProgressFillWidth(std::max(0, width - 2 * kBorder), m_lower, m_upper, m_position);
}

void CProgress::Paint(cairo_t* cr, int width, int height) const {
  SetColour(cr, 0, 0, 0);
  cairo_paint(cr);
  const int clientWidth = std::max(0, width - 2 * kBorder);
  const int clientHeight = std::max(0, height - 2 * kBorder);
  cairo_translate(cr, kBorder, kBorder);
  cairo_rectangle(cr, 0, 0, clientWidth, clientHeight);
  cairo_clip(cr);
  SetColour(cr, 160, 150, 201);
  cairo_paint(cr);
  SetColour(cr, 138, 206, 249);
  cairo_rectangle(cr, 0, 0, ProgressFillWidth(clientWidth, m_lower, m_upper, m_position), clientHeight);
  cairo_fill(cr);
}

}  // namespace ui
