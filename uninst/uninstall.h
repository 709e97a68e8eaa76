#pragma once
// The uninstaller's steps. It works in the current directory it was started in, and only when an
// installation is there: the script's deletes reach into every folder below.

namespace uninst {

// The key under HKEY_CURRENT_USER that the uninstaller removes.
inline constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\cvl_qx";

// True when the current directory holds the launcher or its data folder, as an installation
// leaves them.
bool HoldsInstallation();

// Deletes kUninstallKey when it has no subkeys; a missing key is no error.
void DeleteUninstallKey();

// Writes the delete script into the current directory (text A when the desktop folder can be
// read, else text B); false when it cannot be written.
bool WriteDeleteScript();

// Writes the delete script, starts it detached and ends the process with exit code 255, so that
// the script, which waits a moment first, can delete the uninstaller's file too.
[[noreturn]] void WriteAndRunDeleteBatch();

}  // namespace uninst
