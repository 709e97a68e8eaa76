#include "platform/console.h"

#include <unistd.h>

#include <cstdio>

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

}  // namespace

void ConsoleWrite(std::string_view text, int colour) {
  const char* ansi = isatty(STDOUT_FILENO) ? AnsiColour(colour) : nullptr;
  if (ansi) std::fputs(ansi, stdout);
  std::fwrite(text.data(), 1, text.size(), stdout);
  if (ansi) std::fputs("\x1b[0m", stdout);
}

}  // namespace platform
