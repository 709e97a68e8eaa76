#pragma once
// Shared pieces of the archive layer's tests: files, and archives built with
// the 7z command-line program.
#include <gtest/gtest.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/encoding.h"
#include "support/files.h"
#include "support/temp-dir.h"

namespace arc7z::test {

namespace fs = std::filesystem;
using testing_support::ReadFile;
using testing_support::TempDir;

inline std::wstring wide(const fs::path& path) { return platform::Utf8ToWide(path.string()); }

inline void writeFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

inline std::string quoted(const std::string& text) {
  std::string q = "'";
  for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs the 7z program in `dir` with the given arguments (already quoted where needed).
inline void run7z(const fs::path& dir, const std::string& arguments) {
  const std::string command = "cd " + quoted(dir.string()) + " && 7z " + arguments + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// Packs the contents of `source` into `archive` (7z format unless `options` says otherwise).
inline void pack(const fs::path& source, const fs::path& archive, const std::string& options = "") {
  run7z(source, "a " + options + " " + quoted(archive.string()) + " .");
}

// What a body run as an unprivileged user returned, or why it could not run.
struct UnprivilegedRun {
  std::string result;
  std::string skipReason;
};

// Runs `body` as a user without privileges, so that permission checks apply to it. When the
// tests run as root, a child process takes the ids of `nobody` (65534) and `tree` becomes
// its own, as a player's game folder is; otherwise the body runs here.
inline UnprivilegedRun asUnprivilegedUser(const fs::path& tree, const std::function<std::string()>& body) {
  if (::geteuid() != 0) return {body(), ""};
  constexpr uid_t kNobody = 65534;
  if (::lchown(tree.c_str(), kNobody, kNobody) != 0) return {"", "cannot hand the folder to uid 65534"};
  for (const auto& entry : fs::recursive_directory_iterator(tree)) {
    if (::lchown(entry.path().c_str(), kNobody, kNobody) != 0) return {"", "cannot hand the folder to uid 65534"};
  }
  int channel[2];
  if (::pipe(channel) != 0) return {"", "no pipe"};
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    std::string message;
    int code = 0;
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
      message = std::string("cannot switch to uid 65534: ") + std::strerror(errno);
      code = 3;
    } else {
      message = body();
    }
    for (std::size_t done = 0; done < message.size();) {
      const ssize_t n = ::write(channel[1], message.data() + done, message.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    ::_exit(code);
  }
  ::close(channel[1]);
  std::string message;
  char buffer[4096];
  for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;) message.append(buffer, n);
  ::close(channel[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 3) return {"", message};
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {"", "the unprivileged child failed"};
  return {message, ""};
}

// A small tmpfs mounted on a fresh folder for as long as the object lives; needs root.
class SmallFileSystem {
 public:
  SmallFileSystem(const fs::path& mountPoint, const std::string& size) : path_(mountPoint) {
    if (::geteuid() != 0) {
      skipReason_ = "mounting a small file system needs root";
      return;
    }
    fs::create_directories(path_);
    const std::string options = "size=" + size;
    if (::mount("tmpfs", path_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
      skipReason_ = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
      return;
    }
    mounted_ = true;
  }
  SmallFileSystem(const SmallFileSystem&) = delete;
  SmallFileSystem& operator=(const SmallFileSystem&) = delete;
  ~SmallFileSystem() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
  }
  const std::string& skipReason() const { return skipReason_; }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
  std::string skipReason_;
  bool mounted_ = false;
};

}  // namespace arc7z::test
