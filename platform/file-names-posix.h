#pragma once
// The names of the system's files on POSIX systems: executables have no suffix, the plug-in is a
// shared object, the shortcut a desktop entry, the delete script a shell script. Included through
// platform/file-names.h.

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
