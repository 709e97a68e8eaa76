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
// read, else text B): the shell script, or on Windows DeleteBat.bat for cmd.exe, whose desktop
// folder must convert to the ANSI code page without loss to count as readable. False when it
// cannot be written.
bool WriteDeleteScript();

// The uninstaller's exit code after a run: -1, which Windows reports as 0xFFFFFFFF and POSIX
// systems, keeping the low byte, as 255.
inline constexpr int kExitCode = -1;

// Writes the delete script, starts it detached and ends the process with kExitCode, so that
// the script, which waits a moment first, can delete the uninstaller's file too.
[[noreturn]] void WriteAndRunDeleteBatch();

}  // namespace uninst
