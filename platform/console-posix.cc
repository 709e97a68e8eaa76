#include "platform/console.h"

#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace platform {
namespace {

const char* AnsiColour(int colour) {
  switch (colour) {
    case kConsoleGreen:
      return "\x1b[32m";
    case kConsoleCyan:
      return "\x1b[36m";
    case kConsoleRed:
      return "\x1b[31m";
    case kConsoleMagenta:
      return "\x1b[35m";
    case kConsoleYellow:
      return "\x1b[33m";
    default:
      return nullptr;
  }
}

// True when standard output takes at least PIPE_BUF bytes right now without waiting: for a pipe,
// a free buffer slot, which holds any write up to PIPE_BUF whole. A pipe without a reader shows
// as an error and is not writable.
bool WritableNow() {
  pollfd out{STDOUT_FILENO, POLLOUT, 0};
  int ready;
  do {
    ready = ::poll(&out, 1, 0);
  } while (ready < 0 && errno == EINTR);
  return ready == 1 && (out.revents & POLLOUT) && !(out.revents & (POLLERR | POLLHUP | POLLNVAL));
}

// SIGPIPE blocked for the calling thread while it writes; one raised by the write (a reader that
// left after the poll) is taken off again, so that it neither ends the process nor stays pending.
class SigpipeBlocked {
 public:
  SigpipeBlocked() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    wasPending_ = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipe_, &previous_);
  }
  ~SigpipeBlocked() {
    if (raised_ && !wasPending_) {
      const timespec none{0, 0};
      while (sigtimedwait(&pipe_, nullptr, &none) < 0 && errno == EINTR) {
      }
    }
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }
  void NoteBrokenPipe() { raised_ = true; }

 private:
  sigset_t pipe_;
  sigset_t previous_;
  bool wasPending_ = false;
  bool raised_ = false;
};

void WriteWithoutWaiting(std::string_view bytes) {
  SigpipeBlocked guard;
  while (!bytes.empty()) {
    if (!WritableNow()) return;
    const std::size_t piece = bytes.size() < PIPE_BUF ? bytes.size() : PIPE_BUF;
    const ssize_t written = ::write(STDOUT_FILENO, bytes.data(), piece);
    if (written < 0) {
      if (errno == EINTR) continue;
      if (errno == EPIPE) guard.NoteBrokenPipe();
      return;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace

void ConsoleWrite(std::string_view text, int colour) {
  const char* ansi = isatty(STDOUT_FILENO) ? AnsiColour(colour) : nullptr;
  if (!ansi) {
    WriteWithoutWaiting(text);
    return;
  }
  std::string coloured(ansi);
  coloured.append(text);
  coloured.append("\x1b[0m");
  WriteWithoutWaiting(coloured);
}

}  // namespace platform
