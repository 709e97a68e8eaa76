#pragma once
// What a shortcut holds on POSIX desktops: a desktop entry, which also goes into the user's
// application menu, with the launcher's icon installed into the icon theme beside it.
#include <string>

namespace platform {

// The class of the launcher's window (WM_CLASS), which the entries name in StartupWMClass= so
// that desktops group the running window with its entry.
inline constexpr char kWindowClass[] = "Corvela";
// The launcher's icon in the icon theme, which the entries' Icon= names.
inline constexpr char kApplicationId[] = "corvela";
// The menu entry's file name without ".desktop": the one the system package installs, so that the
// player's own entry takes its place in the menu instead of showing Corvela twice.
inline constexpr char kMenuEntryId[] = "io.corvela.Launcher";

// The desktop entry that starts `launcher` in `workingDirectory`, escaped as the Desktop Entry
// format requires.
std::string DesktopEntryText(const std::string& launcher, const std::string& workingDirectory);

// DataHome()/applications/io.corvela.Launcher.desktop: the launcher's entry in the application menu.
std::string MenuEntryPath();
// DataHome()/icons/hicolor/<pixels>x<pixels>/apps/corvela.png: the icon in one size.
std::string IconPath(int pixels);

}  // namespace platform
