#include "app/command-line.h"

#include "platform/encoding.h"

std::wstring JoinCommandLine(int argc, const char* const* argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (i > 1) line += ' ';
    if (argument.find_first_of(" \"\\") == std::string::npos) {
      line += argument;
      continue;
    }
    line += '"';
    for (const char c : argument) {
      if (c == '"' || c == '\\') line += '\\';
      line += c;
    }
    line += '"';
  }
  return platform::Utf8ToWide(line);
}
