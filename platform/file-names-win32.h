#pragma once
// The names of the system's files on Windows: executables end in .exe, the plug-in is a DLL, the
// shortcut a shell link, the delete script a batch file. Included through platform/file-names.h.

namespace platform {

inline constexpr char kLauncherFileName[] = "cvl_qx.exe";
inline constexpr char kUninstallerFileName[] = "uninst.exe";
inline constexpr char kGameClientFileName[] = "cvlclient.exe";
// Relative to the launcher's current directory; the system takes '/' as well as '\'.
inline constexpr char kDataFolder[] = "./cvl";
inline constexpr char kPluginPath[] = "./cvl/7za.dll";
// In the user's desktop folder.
inline constexpr char kShortcutFileName[] = "Corvela.lnk";
inline constexpr char kDeleteScriptFileName[] = "DeleteBat.bat";

}  // namespace platform
