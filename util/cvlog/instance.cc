#include <cstdio>
#include <cstdlib>

#include "util/cvlog/log-manager.h"
#include "util/cvlog/main-logger.h"

namespace cvlog {

ILogManager* Instance() {
  // The manager is never freed: a static object destroyed after it may still log, and must find
  // a stopped manager that drops the line rather than freed memory. Only the writer is stopped
  // at exit, so that every queued line reaches its file.
  static LogManager* const manager = new LogManager();
  static const struct StopAtExit {
    ~StopAtExit() { manager->Stop(); }
  } stopAtExit;
  return manager;
}

void ExitProcessFlushed(int code) {
  Instance()->Stop();
  std::fflush(stdout);
  std::_Exit(code);
}

}  // namespace cvlog
