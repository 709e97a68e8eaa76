#pragma once
// The script that removes an installation once the uninstaller has ended: the same steps, in the
// same order, as the Windows batch file, for POSIX sh.
#include <optional>
#include <string>

namespace uninst {

// With the desktop folder the user's settings name, its path goes into the script verbatim
// (text A); without one the script leaves $HOME/Desktop to the shell (text B). The script deletes
// itself last. Lines end with a line feed, the last one with none.
std::string DeleteScriptText(const std::optional<std::string>& desktop);

}  // namespace uninst
