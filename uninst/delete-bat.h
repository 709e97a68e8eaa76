#pragma once
// The batch file that removes an installation on Windows once the uninstaller has ended, as
// cmd.exe reads it. Plain text, built the same on every system.
#include <optional>
#include <string>

namespace uninst {

// The bytes of DeleteBat.bat, to be written as they are (binary mode): lines end with CR LF, the
// last one with none. `desktop` is the desktop folder in the code page the batch file is read in
// (the thread's ANSI code page); with it the shortcut's path is written out (text A), without it,
// or when it is empty, cmd.exe finds the desktop through %userprofile% when the batch runs
// (text B). The batch file deletes itself last.
std::string DeleteBatText(const std::optional<std::string>& desktop);

}  // namespace uninst
