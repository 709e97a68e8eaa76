#pragma once
// Starting and watching the programs that the end-to-end tests and the start-up benchmark run
// beside themselves (the launcher, the demo server).
#include <fcntl.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/wait.h"

extern char** environ;

namespace testing_support {

inline std::vector<std::string> CurrentEnvironment() {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
  return env;
}

// Starts `argv` in `cwd` (the current folder when empty) with `env`, stdin from /dev/null and
// stdout and stderr appended to `output`. -1 when it cannot be started.
inline pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                   const std::filesystem::path& cwd, const std::filesystem::path& output) {
  std::vector<std::string> args = argv, vars = env;
  std::vector<char*> argp, envp;
  for (auto& a : args) argp.push_back(a.data());
  argp.push_back(nullptr);
  for (auto& v : vars) envp.push_back(v.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  pid_t pid = -1;
  if (posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// The exit code of `pid` (128 + the signal when one ended it), or nothing while it still runs
// after `limit`.
inline std::optional<int> WaitForExit(pid_t pid, std::chrono::milliseconds limit) {
  std::optional<int> code;
  WaitUntil(
      [&] {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) != pid) return false;
        code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return true;
      },
      limit, std::chrono::milliseconds(10));
  return code;
}

}  // namespace testing_support
