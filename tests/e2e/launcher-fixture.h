#pragma once
// One end-to-end case: a fresh folder with the launcher's install folder, a private home and
// registry, the demo server (configuration, package, login page, statistics endpoint) on loopback
// ports, and the real cvl_qx started in the install folder against it on the display in DISPLAY.
#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "support/child-process.h"

#include "e2e/x-display.h"

namespace e2e {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using testing_support::CurrentEnvironment;
using testing_support::ReadFile;
using testing_support::Spawn;
using testing_support::WaitUntil;

// A started program; kills it (SIGKILL) and reaps it when still running at destruction.
class Process {
 public:
  Process() = default;
  explicit Process(pid_t pid) : pid_(pid) {}
  Process(Process&& other) noexcept : pid_(other.pid_), status_(other.status_) { other.pid_ = -1; }
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }
  // The exit code (128 + signal number when a signal ended it), or nothing when it is still
  // running after `limit`.
  std::optional<int> WaitExit(std::chrono::milliseconds limit);
  bool Running();

 private:
  void KillAndReap();

  pid_t pid_ = -1;
  std::optional<int> status_;
};

class LauncherTest : public ::testing::Test {
 protected:
  static constexpr const char* kTitle = "Corvela";
  static constexpr const char* kPackageName = "corvela-demo.7z";
  static constexpr const char* kNoticeCaption = "提示";  // the download and archive error box
  // Client coordinates of the close button's middle.
  static constexpr int kCloseX = 1105 + 39 / 2, kCloseY = 92 + 39 / 2;

  void SetUp() override;
  void TearDown() override;

  // Starts the demo server with its default options and `extra` (e.g. "--rate", "100000") and
  // waits until it listens. A case may start several, one after the other (StopServer between).
  void StartServer(const std::vector<std::string>& extra = {});
  void StopServer();

  // Starts cvl_qx in the install folder with `args`; its stdout and stderr go to `output_name`
  // in the case's folder.
  Process Launch(const std::vector<std::string>& args, const std::string& output_name = "launcher.out");
  std::string LauncherOutput(const std::string& output_name = "launcher.out") const;

  // Hands `user` to the login page, which calls window.external.AppLogin with it.
  void Login(const std::string& user);

  // The server's record lines of `kind` ("event", "download", "request", "login_answer",
  // "page_load"), in the order received.
  std::vector<nlohmann::json> Record(const std::string& kind) const;
  std::vector<std::string> EventTypes() const;
  bool HasEvent(const std::string& type) const;
  bool WaitForEvent(const std::string& type, std::chrono::milliseconds limit = 30s) const;

  // The text of every LOG_INFO line of the install folder's log files, with the thread id
  // that wrote it, in file order.
  struct LogLine {
    std::string thread;
    std::string text;
  };
  std::vector<LogLine> LogLines() const;
  std::vector<fs::path> LogFiles() const;
  bool LogHas(const std::string& text) const;

  // The launcher's window once it is viewable; 0 after `limit`.
  unsigned long WaitForWindow(const std::string& title, std::chrono::milliseconds limit = 30s);
  // Runs xdotool with `arguments`; true when it exits with 0.
  static bool XDoTool(const std::string& arguments);
  // Gives `window` the keyboard focus and types `key` into it.
  static bool PressKey(unsigned long window, const std::string& key);
  static bool Click(unsigned long window, int x, int y);

  // After a failed download of `launcher`: the error box is up; once it is dismissed the close
  // button ends the launcher with exit code 0.
  void ExpectDownloadErrorBoxThenClose(Process& launcher, unsigned long window);
  // A next start in the same folder, against a fresh demo server, downloads the package again and
  // installs it completely; then Esc ends it.
  void ExpectNextStartInstalls();

  // Path -> size and modification time of every file under `root`, for "nothing was written".
  static std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> Snapshot(
      const fs::path& root);

  fs::path dir_;      // the case's folder
  fs::path install_;  // the launcher's current directory
  fs::path game_;     // the configuration's "path"
  fs::path server_dir_;
  int port_ = 0, login_port_ = 0;
  XDisplay x_;

  // The environment Launch gives cvl_qx: the case's home, registry and the demo server's
  // addresses in the string-table entries.
  std::vector<std::string> LauncherEnvironment() const;

 private:
  Process server_;
  int display_lock_ = -1;
};

}  // namespace e2e
