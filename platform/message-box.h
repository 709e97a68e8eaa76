#pragma once
// The launcher's message box: a warning with one OK button and no owner window.
#include <string>

namespace platform {

// Runs on the GUI thread and returns once the player has dismissed the box (a nested main loop
// keeps the other windows drawn meanwhile). Worker threads reach it through the dialog's
// synchronous GUI calls, which wait for the dismissal and let the worker go once the dialog is
// gone: a box that no loop would ever run must not hold a thread forever.
void ShowWarningBox(const std::string& text, const std::string& caption);

}  // namespace platform
