#include "tools/demo/package-builder.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace demo {
namespace {

// Random bytes do not compress, so the archive (and the download) keeps the requested size.
void WriteFiller(const fs::path& path, std::uint64_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path.string());
  std::mt19937_64 gen(20261211);
  std::vector<std::uint64_t> block(8192);
  while (size > 0) {
    for (auto& word : block) word = gen();
    std::uint64_t n = std::min<std::uint64_t>(size, block.size() * sizeof(block[0]));
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n));
    size -= n;
  }
  if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

// 7z stores names relative to its current folder, so it runs inside the staging folder; a UTF-8
// locale makes it read the file names as UTF-8 whatever the caller's environment holds.
void Run7z(const fs::path& dir, const fs::path& archive) {
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("cannot start 7z");
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(126);
    setenv("LC_ALL", "C.UTF-8", 1);
    int null_fd = open("/dev/null", O_WRONLY);
    if (null_fd >= 0) dup2(null_fd, STDOUT_FILENO);
    execlp("7z", "7z", "a", "-t7z", "-bd", "-y", archive.c_str(), ".", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("cannot wait for 7z");
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    throw std::runtime_error("7z failed with status " + std::to_string(code) +
                             (code == 127 ? " (is p7zip-full installed?)" : ""));
  }
}

}  // namespace

fs::path BuildPackage(const PackageSpec& spec) {
  if (!fs::is_directory(spec.game_source)) {
    throw std::runtime_error("demo game folder " + spec.game_source.string() + " does not exist");
  }
  fs::path staging = spec.work_dir / "package-staging";
  fs::path archive = fs::absolute(spec.work_dir / spec.package_name);
  std::error_code ec;
  fs::remove_all(staging, ec);
  fs::remove(archive, ec);
  fs::create_directories(staging);
  // copy_options keep the client's execute bits, which 7z stores and the launcher restores.
  fs::copy(spec.game_source, staging, fs::copy_options::recursive);
  if (spec.filler_bytes > 0) {
    fs::create_directories(staging / "data");
    WriteFiller(staging / "data" / "world.bin", spec.filler_bytes);
  }
  Run7z(staging, archive);
  fs::remove_all(staging, ec);
  return archive;
}

}  // namespace demo
