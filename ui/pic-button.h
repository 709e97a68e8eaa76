#pragma once
// A button that is nothing but its picture, alpha-blended over whatever lies beneath: no face,
// no pressed, focus or hover look. An empty picture draws nothing and the button still clicks.
#include <functional>

#include "ui/png-image.h"

typedef struct _GtkWidget GtkWidget;

namespace ui {

class CPicButton {
 public:
  CPicButton() = default;
  ~CPicButton();
  CPicButton(const CPicButton&) = delete;
  CPicButton& operator=(const CPicButton&) = delete;

  // Takes over the dialog's button widget (an input-only GtkEventBox) and draws it from now on.
  void Attach(GtkWidget* widget);
  GtkWidget* Widget() const { return m_widget; }

  // Called on the GUI thread for a click (press and release inside the button).
  void SetOnClicked(std::function<void()> onClicked) { m_onClicked = std::move(onClicked); }

  // Filled by the owner before the button is first shown.
  CImage m_image;

 private:
  friend struct PicButtonSignals;
  GtkWidget* m_widget = nullptr;
  bool m_pressed = false;
  std::function<void()> m_onClicked;
};

}  // namespace ui
