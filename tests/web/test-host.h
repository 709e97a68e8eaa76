#pragma once
// A bare dialog for the web view: a window at the screen's top-left corner with a fixed client
// area holding placeholder 1009. It counts what the view asks of it.
#include <functional>

#include "web/html-view-host.h"

typedef struct _GtkWidget GtkWidget;

class TestHost : public IHtmlViewHost {
 public:
  struct Options {
    bool placeholder = true;
    // Whether DestroyWindow really destroys the window (the dialog's behaviour) or only counts,
    // which keeps the page alive to receive its answer.
    bool destroyOnRequest = false;
  };

  TestHost();
  explicit TestHost(Options options);
  ~TestHost() override;

  GtkWidget* GetDlgItem(int id) override;
  GtkFixed* ClientArea() override;
  void BringToFront() override { ++raised; }
  std::int32_t WindowHandle() override;
  bool DestroyWindow() override;

  GtkWidget* window() const { return window_; }
  GtkWidget* placeholder() const { return placeholder_; }

  int raised = 0;
  int destroyRequests = 0;

 private:
  Options options_;
  GtkWidget* window_ = nullptr;
  GtkWidget* fixed_ = nullptr;
  GtkWidget* placeholder_ = nullptr;
};

// Runs the GUI loop until `done` or `seconds` have passed; returns `done()`.
bool WaitUntil(const std::function<bool()>& done, double seconds = 20);
// Runs the GUI loop for `seconds`.
void RunFor(double seconds);
