// cvl_qx: start-up in its fixed order, the modal dialog, shutdown.
#include <gtk/gtk.h>

#include <cstdio>

#include "app/KRNLaunch.h"
#include "app/command-line.h"
#include "app/startup.h"
#include "platform/display.h"
#include "platform/signals.h"
#include "platform/x11-window.h"
#include "res/strings.h"
#include "ui/main-dlg.h"
#include "util/cvlog/main-logger.h"

int main(int argc, char** argv) {
  platform::IgnoreBrokenPipes();
  platform::SelectX11Backend();
  if (!platform::X11DisplayAvailable()) {
    std::fprintf(stderr, "cvl_qx: no X11 display: set DISPLAY to a running X server\n");
    return 1;
  }

  // A window with our title means a launcher is open already: bring it forward and leave
  // before anything (log, registry, telemetry) has happened.
  if (platform::WindowId running = platform::FindTopLevelWindow(res::LoadString(res::IDS_TITLE))) {
    platform::ShowAndRaiseWindow(running);
    cvlog::ExitProcessFlushed(0);
  }

  theApp.m_lpCmdLine = JoinCommandLine(argc, argv);
  startup::InitInstanceBeforeDialog(theApp);
  gtk_init(&argc, &argv);
  startup::ReportLaunchStart();
  {
    ui::MainDlg dialog;
    dialog.DoModal();
  }
  startup::ExitInstanceSteps();
  // The install worker may still be downloading on the shared transfer handle: leave without
  // running static destructors under its feet. The partial package is replaced on the next start.
  cvlog::ExitProcessFlushed(0);
}
