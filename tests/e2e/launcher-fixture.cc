#include "e2e/launcher-fixture.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace e2e {

namespace {

}  // namespace

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    KillAndReap();
    pid_ = other.pid_;
    status_ = other.status_;
    other.pid_ = -1;
  }
  return *this;
}

Process::~Process() { KillAndReap(); }

void Process::KillAndReap() {
  if (pid_ > 0 && !status_) {
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
}

std::optional<int> Process::WaitExit(std::chrono::milliseconds limit) {
  if (status_ || pid_ <= 0) return status_;
  status_ = testing_support::WaitForExit(pid_, limit);
  return status_;
}

bool Process::Running() { return pid_ > 0 && !WaitExit(0ms); }

void LauncherTest::SetUp() {
  ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "the end-to-end tests need an X display";
  // One launcher per display at a time, whoever runs the cases side by side: a second one
  // would find the first's window and only raise it.
  std::string display = std::getenv("DISPLAY");
  std::replace(display.begin(), display.end(), '/', '_');
  display_lock_ = open((fs::temp_directory_path() / ("cvl-e2e-display" + display + ".lock")).c_str(),
                       O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  ASSERT_GE(display_lock_, 0);
  ASSERT_EQ(flock(display_lock_, LOCK_EX), 0);
  ASSERT_TRUE(x_.Ok()) << "cannot open the display " << std::getenv("DISPLAY");
  ASSERT_EQ(x_.FirstViewableWindow(kTitle), 0u)
      << "a window titled Corvela is open already: the launcher would only raise it";
  dir_ = fs::temp_directory_path() /
         ("cvl-e2e-" + std::to_string(getpid()) + "-" +
          ::testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::remove_all(dir_);
  install_ = dir_ / "install";
  game_ = install_ / "game";
  server_dir_ = dir_ / "server";
  for (const char* sub : {"install", "home/Desktop", "home/.config", "home/.cache", "home/.local/share",
                          "registry", "server"}) {
    fs::create_directories(dir_ / sub);
  }
}

void LauncherTest::TearDown() {
  StopServer();
  // A failed case keeps its folder (log files, record, launcher output) for a look.
  if (!HasFailure() && !dir_.empty()) fs::remove_all(dir_);
  if (display_lock_ >= 0) close(display_lock_);
}

void LauncherTest::StartServer(const std::vector<std::string>& extra) {
  StopServer();
  fs::remove(server_dir_ / "ports");
  fs::remove(server_dir_ / "record.jsonl");
  std::vector<std::string> argv = {CVL_DEMO_SERVER,
                                   "--game-dir", game_.string(),
                                   "--record", (server_dir_ / "record.jsonl").string(),
                                   "--ports-file", (server_dir_ / "ports").string(),
                                   "--filler-bytes", "300000"};
  argv.insert(argv.end(), extra.begin(), extra.end());
  server_ = Process(Spawn(argv, CurrentEnvironment(), {}, server_dir_ / "server.log"));
  ASSERT_TRUE(server_.Started());
  ASSERT_TRUE(WaitUntil([&] { return fs::exists(server_dir_ / "ports") || !server_.Running(); }, 30s));
  ASSERT_TRUE(fs::exists(server_dir_ / "ports")) << ReadFile(server_dir_ / "server.log");
  std::istringstream ports(ReadFile(server_dir_ / "ports"));
  for (std::string line; std::getline(ports, line);) {
    if (line.rfind("DEMO_PORT=", 0) == 0) port_ = std::stoi(line.substr(10));
    if (line.rfind("DEMO_LOGIN_PORT=", 0) == 0) login_port_ = std::stoi(line.substr(16));
  }
  ASSERT_GT(port_, 0);
  ASSERT_GT(login_port_, 0);
}

void LauncherTest::StopServer() {
  if (!server_.Started() || !server_.Running()) return;
  kill(server_.Pid(), SIGTERM);
  EXPECT_EQ(server_.WaitExit(10s), 0) << "the demo server should end cleanly";
}

std::vector<std::string> LauncherTest::LauncherEnvironment() const {
  const std::string game_server = "http://127.0.0.1:" + std::to_string(port_);
  const std::map<std::string, std::string> ours = {
      {"HOME", (dir_ / "home").string()},
      {"XDG_CONFIG_HOME", (dir_ / "home/.config").string()},
      {"XDG_CACHE_HOME", (dir_ / "home/.cache").string()},
      {"XDG_DATA_HOME", (dir_ / "home/.local/share").string()},
      {"CVL_REGISTRY_DIR", (dir_ / "registry").string()},
      {"CVL_STRING_148", "http://127.0.0.1:" + std::to_string(login_port_) +
                             "/oauth2/5670?redirectUri=" + game_server + "/user/kvWebLogin"},
      {"CVL_STRING_154", game_server + "/log/log"},
      {"CVL_STRING_155", game_server + "/package/brindle/PCDownloadCfg.json"},
  };
  std::vector<std::string> env;
  for (const std::string& var : CurrentEnvironment()) {
    std::string name = var.substr(0, var.find('='));
    if (!ours.contains(name) && name.rfind("XDG_", 0) != 0) env.push_back(var);
  }
  for (const auto& [name, value] : ours) env.push_back(name + "=" + value);
  return env;
}

Process LauncherTest::Launch(const std::vector<std::string>& args, const std::string& output_name) {
  std::vector<std::string> argv = {CVL_QX};
  argv.insert(argv.end(), args.begin(), args.end());
  return Process(Spawn(argv, LauncherEnvironment(), install_, dir_ / output_name));
}

std::string LauncherTest::LauncherOutput(const std::string& output_name) const {
  return ReadFile(dir_ / output_name);
}

void LauncherTest::Login(const std::string& user) {
  std::string command = "curl -sf -o /dev/null --data-binary @- http://127.0.0.1:" +
                        std::to_string(login_port_) + "/demo/login";
  FILE* curl = popen(command.c_str(), "w");
  ASSERT_NE(curl, nullptr);
  fwrite(user.data(), 1, user.size(), curl);
  ASSERT_EQ(pclose(curl), 0) << "the demo server did not take the login";
}

std::vector<nlohmann::json> LauncherTest::Record(const std::string& kind) const {
  std::vector<nlohmann::json> lines;
  std::istringstream in(ReadFile(server_dir_ / "record.jsonl"));
  for (std::string text; std::getline(in, text);) {
    auto line = nlohmann::json::parse(text, nullptr, false);
    if (!line.is_discarded() && line.value("kind", "") == kind) lines.push_back(std::move(line));
  }
  return lines;
}

std::vector<std::string> LauncherTest::EventTypes() const {
  std::vector<std::string> types;
  for (const auto& e : Record("event")) types.push_back(e.value("type", ""));
  return types;
}

bool LauncherTest::HasEvent(const std::string& type) const {
  for (const auto& t : EventTypes()) {
    if (t == type) return true;
  }
  return false;
}

bool LauncherTest::WaitForEvent(const std::string& type, std::chrono::milliseconds limit) const {
  return WaitUntil([&] { return HasEvent(type); }, limit);
}

std::vector<fs::path> LauncherTest::LogFiles() const {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(install_ / "cvl" / "logs", ec)) {
    files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<LauncherTest::LogLine> LauncherTest::LogLines() const {
  // "2026-12-11 09:56:02.877 [14248] LOG_INFO work:/tmp/x" ending in CR LF
  static const std::regex kLine(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[(\d+)\] LOG_INFO (.*)\r$)");
  std::vector<LogLine> lines;
  for (const fs::path& file : LogFiles()) {
    std::istringstream in(ReadFile(file));
    for (std::string text; std::getline(in, text);) {
      std::smatch m;
      if (std::regex_match(text, m, kLine)) lines.push_back({m[1], m[2]});
    }
  }
  return lines;
}

bool LauncherTest::LogHas(const std::string& text) const {
  for (const auto& line : LogLines()) {
    if (line.text == text) return true;
  }
  return false;
}

unsigned long LauncherTest::WaitForWindow(const std::string& title, std::chrono::milliseconds limit) {
  unsigned long window = 0;
  WaitUntil([&] { return (window = x_.FirstViewableWindow(title)) != 0; }, limit);
  return window;
}

bool LauncherTest::XDoTool(const std::string& arguments) {
  std::string command = "xdotool " + arguments + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

bool LauncherTest::PressKey(unsigned long window, const std::string& key) {
  return XDoTool("windowfocus --sync " + std::to_string(window) + " key " + key);
}

bool LauncherTest::Click(unsigned long window, int x, int y) {
  // No --sync: it waits for the pointer to leave where it was, which takes xdotool's whole
  // time-out when the pointer already rests on the spot (a case before clicked the same button).
  // The server handles the move before the click either way.
  return XDoTool("mousemove --window " + std::to_string(window) + " " + std::to_string(x) + " " +
                 std::to_string(y) + " click 1");
}

void LauncherTest::ExpectDownloadErrorBoxThenClose(Process& launcher, unsigned long window) {
  unsigned long box = WaitForWindow(kNoticeCaption, 30s);
  ASSERT_NE(box, 0u) << "no box titled " << kNoticeCaption << "\n" << LauncherOutput();
  // The reports, not the log: a full disk may hold the log lines back too.
  EXPECT_TRUE(WaitForEvent("download_end", 5s));
  EXPECT_FALSE(HasEvent("decode_start")) << "nothing is unpacked after a failed download";
  ASSERT_TRUE(PressKey(box, "Return"));
  ASSERT_TRUE(WaitUntil([&] { return x_.FirstViewableWindow(kNoticeCaption) == 0; }, 10s));
  // Once the box is gone the install counts as finished: the close button closes at once.
  std::this_thread::sleep_for(300ms);
  ASSERT_TRUE(Click(window, kCloseX, kCloseY));
  EXPECT_EQ(launcher.WaitExit(15s), std::optional<int>(0)) << LauncherOutput();
  EXPECT_FALSE(fs::exists(game_ / "cvlclient"));
}

void LauncherTest::ExpectNextStartInstalls() {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  Process next = Launch({}, "next.out");
  unsigned long window = WaitForWindow(kTitle);
  ASSERT_NE(window, 0u) << LauncherOutput("next.out");
  ASSERT_TRUE(WaitForEvent("decode_end")) << LauncherOutput("next.out");
  EXPECT_TRUE(WaitUntil([&] { return LogHas("7z decode end2"); }, 10s));
  EXPECT_EQ(ReadFile(install_ / "cvl" / kPackageName), ReadFile(server_dir_ / kPackageName));
  EXPECT_TRUE(fs::is_regular_file(game_ / "cvlclient"));
  EXPECT_EQ(fs::file_size(game_ / "data" / "world.bin"), 300000u);
  ASSERT_TRUE(PressKey(window, "Escape"));
  EXPECT_EQ(next.WaitExit(15s), std::optional<int>(0)) << LauncherOutput("next.out");
}

std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> LauncherTest::Snapshot(
    const fs::path& root) {
  std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) {
      files[fs::relative(entry.path(), root).string()] = {entry.file_size(), entry.last_write_time()};
    }
  }
  return files;
}

}  // namespace e2e
