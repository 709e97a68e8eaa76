#pragma once
// The names of the system's files on this platform: the stems the programs have everywhere, with
// this platform's suffixes (executables have none, the plug-in is a shared object, the shortcut
// a desktop entry, the delete script a shell script).

namespace platform {

inline constexpr char kLauncherFileName[] = "cvl_qx";
inline constexpr char kUninstallerFileName[] = "uninst";
inline constexpr char kGameClientFileName[] = "cvlclient";
// Relative to the launcher's current directory.
inline constexpr char kDataFolder[] = "./cvl";
inline constexpr char kPluginPath[] = "./cvl/7za.so";
// In the user's desktop folder.
inline constexpr char kShortcutFileName[] = "Corvela.desktop";
inline constexpr char kDeleteScriptFileName[] = "DeleteBat.sh";

}  // namespace platform
