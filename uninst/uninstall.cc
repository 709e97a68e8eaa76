#include "uninst/uninstall.h"

#include <filesystem>
#include <system_error>

#include "platform/atomic-write.h"
#include "platform/desktop.h"
#include "platform/detached-script.h"
#include "platform/file-names.h"
#include "platform/process-exit.h"
#include "platform/registry.h"
#include "uninst/delete-script.h"

namespace uninst {

namespace {
const std::string kScriptPath = std::string("./") + platform::kDeleteScriptFileName;
}  // namespace

bool HoldsInstallation() {
  // What the launcher itself leaves: its file, and a real folder for its data.
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status launcher = fs::symlink_status(std::string("./") + platform::kLauncherFileName, error);
  const fs::file_status data = fs::symlink_status(platform::kDataFolder, error);
  return (fs::exists(launcher) && !fs::is_directory(launcher)) || fs::is_directory(data);
}

void DeleteUninstallKey() { platform::DeleteRegistryKey(platform::RegistryRoot::CurrentUser, kUninstallKey); }

bool WriteDeleteScript() {
  // Replaced by rename, never written through: a link planted at this name cannot redirect it.
  return platform::WriteFileAtomically(kScriptPath, DeleteScriptText(platform::ReadDesktopDirectory(), InstalledMenuFiles()),
                                       platform::FileAccess::executable);
}

void WriteAndRunDeleteBatch() {
  // A script that cannot be written leaves the shell nothing to run; the end is the same.
  WriteDeleteScript();
  platform::StartDetachedScript(kScriptPath);
  // At once, without clean-up: the script must find the uninstaller ended when its wait is over.
  platform::ExitImmediately(255);
}

}  // namespace uninst
