#include "gui-environment.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace uitest {
namespace {

class GuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    // A failure here ends the program: the window tests must fail, never be skipped.
    server_ = std::make_unique<XServer>(1920, 1080, /*windowManager=*/true);
    if (!server_->Ok()) Fail("could not start Xvfb with openbox");
    setenv("DISPLAY", server_->Name().c_str(), 1);
    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(nullptr, nullptr)) Fail("GTK could not open the display");
  }
  void TearDown() override {
    // Nothing reads GDK's connection after the last test, so the server may go first; closing
    // GTK's default display is not something GTK supports.
    server_.reset();
  }

 private:
  [[noreturn]] static void Fail(const char* why) {
    std::fprintf(stderr, "%s\n", why);
    std::exit(1);
  }

  std::unique_ptr<XServer> server_;
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

}  // namespace

ScopedDisplay::ScopedDisplay(const std::string& name) {
  previous_ = gdk_display_get_default();
  if (const char* current = std::getenv("DISPLAY")) previousName_ = current;
  display_ = gdk_display_open(name.c_str());
  if (display_ == nullptr) return;
  gdk_display_manager_set_default_display(gdk_display_manager_get(), display_);
  setenv("DISPLAY", name.c_str(), 1);
}

ScopedDisplay::~ScopedDisplay() {
  if (display_ == nullptr) return;
  gdk_display_manager_set_default_display(gdk_display_manager_get(), previous_);
  setenv("DISPLAY", previousName_.c_str(), 1);
  gdk_display_close(display_);
}

}  // namespace uitest
