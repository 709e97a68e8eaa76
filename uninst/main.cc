// The uninstaller: removes the launcher's installation from the folder it runs in. It asks and
// shows nothing; its arguments are ignored.
#include "uninst/uninstall.h"

int main() {
  uninst::DeleteUninstallKey();
  uninst::WriteAndRunDeleteBatch();
}
