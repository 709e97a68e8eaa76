#include "util/cvlog/console-print.h"

#include <mutex>

#include "util/cvlog/sync-helpers.h"

namespace cvlog {

void PrintToConsole(std::string_view text, int colour) {
  // Never destroyed: objects destroyed at exit may still print.
  static LockHelper* const lock = new LockHelper;
  std::lock_guard<LockHelper> held(*lock);
  platform::ConsoleWrite(text, colour);
}

}  // namespace cvlog
