#pragma once
// Every window test runs on a private 1920 x 1080 Xvfb with openbox as window manager, started
// before the first test and stopped after the last, with GTK initialised on it.
#include <string>

#include "x-server.h"

typedef struct _GdkDisplay GdkDisplay;

namespace uitest {

// While it lives, GTK's default display (where new windows open) and DISPLAY (what the platform
// calls connect to) are another server; both are restored afterwards.
class ScopedDisplay {
 public:
  explicit ScopedDisplay(const std::string& name);
  ~ScopedDisplay();
  bool Ok() const { return display_ != nullptr; }

 private:
  GdkDisplay* previous_ = nullptr;
  GdkDisplay* display_ = nullptr;
  std::string previousName_;
};

}  // namespace uitest
