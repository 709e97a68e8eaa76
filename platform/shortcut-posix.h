#pragma once
// What a shortcut holds on POSIX desktops: a desktop entry.
#include <string>

namespace platform {

// The desktop entry that starts `launcher` in `workingDirectory`, escaped as the Desktop Entry
// format requires.
std::string DesktopEntryText(const std::string& launcher, const std::string& workingDirectory);

}  // namespace platform
