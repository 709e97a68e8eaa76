#include "platform/signals.h"

#include <csignal>

namespace platform {

void IgnoreBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }

}  // namespace platform
