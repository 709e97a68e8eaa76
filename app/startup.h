#pragma once
// The start-up and shutdown steps that need no window, as the launcher runs them around its
// dialog: LockInstallFolder completes the single-instance test, InitInstanceBeforeDialog covers
// everything from the browser emulation value up to the deployment, ReportLaunchStart follows the
// toolkit's initialisation, and ExitInstanceSteps runs after the dialog has closed.
#include "app/krn-launch.h"

namespace startup {

// In the data folder, which the uninstaller removes as a whole.
inline constexpr char kLauncherLockPath[] = "./cvl/cvl_qx.lock";

// Each line ends with a line feed; the blanks before them are part of the text.
inline constexpr char kLoggingConfig[] = "[Main] \npath = ./cvl/logs/ \nname=log \nfileline = 0 \n";

// Takes the install folder's launcher lock for the rest of the process. False only when another
// launcher holds it; when it cannot be had for another reason start-up goes on without it.
bool LockInstallFolder();

// Configures "Main" from kLoggingConfig, stores its id and starts the writer thread.
void StartLogging();

// Browser emulation value, logging, "work:", download configuration (ends the process with
// exit code 1 when it cannot be fetched), command line, deployment.
void InitInstanceBeforeDialog(CKRNLaunchApp& app);

void ReportLaunchStart();

// Logs and reports "close launch", then stops the logging writer.
void ExitInstanceSteps();

}  // namespace startup
