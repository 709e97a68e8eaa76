// Start-up as cvl_qx runs it up to its dialog, for the tests that look at what it leaves behind
// without a window. It ends with exit code 0 once those steps have returned.
#include "app/krn-launch.h"
#include "app/startup.h"
#include "util/cvlog/main-logger.h"

int main() {
  startup::InitInstanceBeforeDialog(theApp);
  cvlog::ExitProcessFlushed(0);
}
