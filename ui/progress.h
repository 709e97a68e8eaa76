#pragma once
// The flat two-colour progress bar. Range and position behave as the system progress bar's: the
// position is kept inside the range. OnPaint redraws from the current values and keeps no state,
// so it may be asked for at any time.
#include <utility>

typedef struct _GtkWidget GtkWidget;
typedef struct _cairo cairo_t;

namespace ui {

class CProgress {
 public:
  CProgress() = default;
  ~CProgress();
  CProgress(const CProgress&) = delete;
  CProgress& operator=(const CProgress&) = delete;

  // Takes over the dialog's bar widget (a GtkDrawingArea) and draws it from now on.
  void Attach(GtkWidget* widget);
  GtkWidget* Widget() const { return m_widget; }

  void SetRange(int lower, int upper);  // 16-bit limits, as the system's PBM_SETRANGE
  void SetRange32(int lower, int upper);
  void SetPos(int position);
  std::pair<int, int> GetRange() const { return {m_lower, m_upper}; }
  int GetPos() const { return m_position; }

  // Asks for a redraw with the current range and position (GUI thread).
  void OnPaint();

  // The filled part's width in pixels for the bar's current size.
  int FilledWidth() const;

 private:
  friend struct ProgressSignals;
  void Paint(cairo_t* cr, int width, int height) const;

  GtkWidget* m_widget = nullptr;
  int m_lower = 0;
  int m_upper = 100;
  int m_position = 0;
};

}  // namespace ui
