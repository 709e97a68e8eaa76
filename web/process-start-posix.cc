#include "web/process-start.h"

#include <spawn.h>

extern char** environ;

namespace web {

int StartProgram(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  return posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
}

}  // namespace web
