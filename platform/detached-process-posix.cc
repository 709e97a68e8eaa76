#include "platform/detached-process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <cerrno>
#include <thread>

#include "platform/process-environment.h"

namespace platform {
namespace {

struct SpawnOptions {
  bool searchPath = false;
  bool detached = false;  // own session, standard streams on /dev/null
};

// Waits for the child's end on a thread of its own. A game client that outlives the launcher
// keeps its thread waiting until the process leaves, which costs nothing.
void CollectInBackground(pid_t pid) {
  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

int Spawn(const std::string& program, const std::vector<std::string>& argv, SpawnOptions options) {
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  std::vector<std::string> environment = ChildEnvironment();
  std::vector<char*> env;
  env.reserve(environment.size() + 1);
  for (std::string& entry : environment) env.push_back(entry.data());
  env.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  if (options.detached) {
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // A session of its own, so that closing the starter's terminal or process group spares it.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  }
  // Whatever a library opened without close-on-exec stays with the launcher.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  pid_t pid = 0;
  const int result = options.searchPath
                         ? posix_spawnp(&pid, program.c_str(), &actions, &attributes, args.data(), env.data())
                         : posix_spawn(&pid, program.c_str(), &actions, &attributes, args.data(), env.data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (result == 0) CollectInBackground(pid);
  return result;
}

}  // namespace

bool StartDetached(const std::vector<std::string>& argv) {
  if (argv.empty()) return false;
  return Spawn(argv[0], argv, SpawnOptions{.searchPath = true, .detached = true}) == 0;
}

int StartProcess(const std::string& program, const std::vector<std::string>& argv) {
  return Spawn(program, argv, SpawnOptions{});
}

}  // namespace platform
