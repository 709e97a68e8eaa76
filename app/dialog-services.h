#pragma once
// The main dialog's links to the rest of the launcher: the values from the command line, the real
// login page and the install threads.
#include "ui/main-dlg.h"

ui::MainDlg::Services LauncherDialogServices();
