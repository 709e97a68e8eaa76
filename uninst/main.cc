// The uninstaller: removes the launcher's installation from the folder it runs in. It asks
// nothing; its arguments are ignored. In a folder that holds no installation it deletes nothing,
// says so in one line and ends with exit code 1.
#include <cstdio>

#include "platform/process-paths.h"
#include "uninst/uninstall.h"

int main() {
  if (!uninst::HoldsInstallation()) {
    std::fprintf(stderr, "uninst: %s holds no Corvela installation (neither cvl_qx nor cvl/): nothing deleted\n",
                 platform::CurrentDirectory().c_str());
    return 1;
  }
  uninst::DeleteUninstallKey();
  uninst::WriteAndRunDeleteBatch();
}
