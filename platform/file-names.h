#pragma once
// The names of the system's files: the stems the programs have everywhere, with the suffixes of
// the platform the build is for. Each platform's part defines the same names: kLauncherFileName,
// kUninstallerFileName, kGameClientFileName, kDataFolder, kPluginPath, kShortcutFileName and
// kDeleteScriptFileName.
#if defined(_WIN32)
#include "platform/file-names-win32.h"
#else
#include "platform/file-names-posix.h"
#endif
