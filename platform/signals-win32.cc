#include "platform/signals.h"

namespace platform {

// Windows raises nothing for a pipe whose reader has gone: the write fails with ERROR_NO_DATA.
void IgnoreBrokenPipes() {}

}  // namespace platform
