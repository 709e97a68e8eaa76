#pragma once
// The script that removes an installation once the uninstaller has ended: the same steps, in the
// same order, as the Windows batch file, for POSIX sh.
#include <optional>
#include <string>
#include <vector>

namespace uninst {

// With the desktop folder the user's settings name, its path goes into the script verbatim
// (text A); without one the script leaves $HOME/Desktop to the shell (text B). After the desktop
// entry it deletes each of `menuFiles` (the menu entry and the icons, paths taken verbatim), and
// itself last. Lines end with a line feed, the last one with none.
std::string DeleteScriptText(const std::optional<std::string>& desktop, const std::vector<std::string>& menuFiles);

// The menu entry and the icons that the launcher installs for the user running this.
std::vector<std::string> InstalledMenuFiles();

}  // namespace uninst
