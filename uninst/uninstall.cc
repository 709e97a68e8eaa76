#include "uninst/uninstall.h"

#include <unistd.h>

#include "platform/atomic-write.h"
#include "platform/desktop.h"
#include "platform/detached-process.h"
#include "platform/file-names.h"
#include "platform/registry.h"
#include "uninst/delete-script.h"

namespace uninst {

namespace {
const std::string kScriptPath = std::string("./") + platform::kDeleteScriptFileName;
}  // namespace

void DeleteUninstallKey() { platform::DeleteRegistryKey(platform::RegistryRoot::CurrentUser, kUninstallKey); }

bool WriteDeleteScript() {
  // Replaced by rename, never written through: a link planted at this name cannot redirect it.
  return platform::WriteFileAtomically(kScriptPath, DeleteScriptText(platform::ReadDesktopDirectory()), 0755);
}

void WriteAndRunDeleteBatch() {
  // A script that cannot be written leaves the shell nothing to run; the end is the same.
  WriteDeleteScript();
  platform::StartDetached({"/bin/sh", kScriptPath});
  // At once, without clean-up: the script must find the uninstaller ended when its wait is over.
  _exit(255);
}

}  // namespace uninst
