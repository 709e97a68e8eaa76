#include "platform/detached-script.h"

#include "platform/detached-process.h"

namespace platform {

bool StartDetachedScript(const std::string& path) { return StartDetached({"/bin/sh", path}); }

}  // namespace platform
