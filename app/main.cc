// cvl_qx: start-up in its fixed order, the modal dialog, shutdown.
#include <clocale>
#include <cstdio>
#include <string>

#include "app/command-line.h"
#include "app/dialog-services.h"
#include "app/krn-launch.h"
#include "app/startup.h"
#include "platform/display.h"
#include "platform/locale.h"
#include "platform/signals.h"
#include "platform/top-level-window.h"
#include "res/strings.h"
#include "ui/main-dlg.h"
#include "ui/toolkit.h"
#include "util/cvlog/main-logger.h"

int main(int argc, char** argv) {
  // Before anything else, the display check included: asking for the usage or the version must
  // leave no trace (no log, no registry value, no request, no window).
  if (const InfoRequest request = ReadInfoRequest(argc, argv); request != InfoRequest::none) {
    const std::string text = InfoText(request);
    const bool printed = std::fputs(text.c_str(), stdout) >= 0 && std::fflush(stdout) == 0;
    return printed ? 0 : 1;
  }

  // Locales are chosen here, while no other thread runs (setlocale is not safe beside them), and
  // not again by the toolkit: every category from the environment as the toolkit would choose
  // them, and a UTF-8 character type, which the archive plug-in samples when it is loaded.
  std::setlocale(LC_ALL, "");
  platform::SelectUtf8Locale();
  ui::DisableToolkitLocale();
  platform::IgnoreBrokenPipes();
  platform::SelectDisplayBackend();
  if (!platform::DisplayAvailable()) {
    std::fprintf(stderr, "cvl_qx: no X11 display: set DISPLAY to a running X server\n");
    return 1;
  }

  // A window with our title means a launcher is open already; the folder's lock also catches one
  // that is still starting and has no window yet. Bring the window forward when there is one
  // and leave before anything (log, registry, telemetry) has happened.
  const std::string title = res::LoadString(res::IDS_TITLE);
  if (platform::FindTopLevelWindow(title) || !startup::LockInstallFolder()) {
    if (platform::WindowId running = platform::FindTopLevelWindow(title)) platform::ShowAndRaiseWindow(running);
    cvlog::ExitProcessFlushed(0);
  }

  theApp.m_lpCmdLine = JoinCommandLine(argc, argv);
  startup::InitInstanceBeforeDialog(theApp);
  ui::InitToolkit(&argc, &argv);
  startup::ReportLaunchStart();
  {
    ui::MainDlg dialog(LauncherDialogServices());
    dialog.DoModal();
  }
  startup::ExitInstanceSteps();
  // The install worker may still be downloading on the shared transfer handle: leave without
  // running static destructors under its feet. The partial package is replaced on the next start.
  cvlog::ExitProcessFlushed(0);
}
