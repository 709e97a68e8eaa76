#include "platform/process-exit.h"

#include <unistd.h>

namespace platform {

void ExitImmediately(int code) { ::_exit(code); }

}  // namespace platform
