// How long cvl_qx takes from its start to its window mapped with the login page loaded, with the
// game client already installed and the demo server on loopback, against the least program that
// opens a WebKitGTK window on the same page (startup_minimal_webview). The two alternate, one run
// each per round, in the same private home (so the web engine's caches are equally warm) on the
// display in DISPLAY.
//
// "Page loaded" is the same signal for both: the demo login page's load event, which the page
// reports to the demo server (record kind "page_load"); "mapped" is a viewable top-level window
// with the program's title. A run's time is from spawning the program until both are seen.
//
//   startup_bench [ROUNDS]      (default 10; needs DISPLAY, e.g. under xvfb-run)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/child-process.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ReadFile;
using testing_support::Spawn;
using testing_support::WaitUntil;
const auto WaitExit = testing_support::WaitForExit;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

// A viewable top-level window titled `title` (WM_NAME, as GTK sets it too), or 0.
unsigned long FindWindow(Display* d, const std::string& title) {
  Window root = 0, parent = 0;
  Window* kids = nullptr;
  unsigned int n = 0;
  unsigned long found = 0;
  if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &kids, &n) == 0) return 0;
  for (unsigned int i = 0; i < n && found == 0; ++i) {
    XWindowAttributes a;
    if (XGetWindowAttributes(d, kids[i], &a) == 0 || a.map_state != IsViewable) continue;
    char* name = nullptr;
    if (XFetchName(d, kids[i], &name) != 0 && name != nullptr) {
      if (title == name) found = kids[i];
      XFree(name);
    }
  }
  if (kids != nullptr) XFree(kids);
  return found;
}

// The demo server's record, read as it grows: whether a page_load line came after `from`.
bool PageLoadedSince(const fs::path& record, std::streamoff from) {
  std::ifstream in(record, std::ios::binary);
  in.seekg(from);
  for (std::string line; std::getline(in, line);) {
    if (line.find("\"kind\":\"page_load\"") != std::string::npos) return true;
  }
  return false;
}

std::streamoff FileSize(const fs::path& path) {
  std::error_code ec;
  auto size = fs::file_size(path, ec);
  return ec ? 0 : static_cast<std::streamoff>(size);
}

struct Sample {
  double mapped_ms = 0, loaded_ms = 0, ready_ms = 0;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

class Bench {
 public:
  bool SetUp();
  ~Bench();
  // One start of `argv` until its window `title` is viewable and the page has loaded; then the
  // program is ended by `end` and its window is waited away.
  std::optional<Sample> Run(const std::vector<std::string>& argv, const std::string& title,
                            const std::function<void(pid_t, unsigned long)>& end);
  std::string StartUrl() const { return login_url_ + "?qxtc=&qxqd="; }
  const fs::path& Dir() const { return dir_; }
  Display* X() { return x_; }

 private:
  fs::path dir_, install_, record_;
  pid_t server_ = -1;
  std::vector<std::string> env_;
  std::string login_url_;
  Display* x_ = nullptr;
};

bool Bench::SetUp() {
  x_ = XOpenDisplay(nullptr);
  if (x_ == nullptr) {
    std::fprintf(stderr, "startup_bench: cannot open the display; set DISPLAY (e.g. xvfb-run)\n");
    return false;
  }
  XSetErrorHandler(IgnoreXErrors);
  dir_ = fs::temp_directory_path() / ("cvl-startup-bench-" + std::to_string(getpid()));
  install_ = dir_ / "install";
  record_ = dir_ / "server" / "record.jsonl";
  for (const char* sub : {"install", "home/Desktop", "home/.config", "home/.cache", "registry", "server"}) {
    fs::create_directories(dir_ / sub);
  }
  const fs::path ports = dir_ / "server" / "ports";
  server_ = Spawn({CVL_DEMO_SERVER, "--game-dir", (install_ / "game").string(), "--record",
                   record_.string(), "--ports-file", ports.string(), "--filler-bytes", "300000"},
                  testing_support::CurrentEnvironment(), {},
                  dir_ / "server" / "server.log");
  if (server_ <= 0 || !WaitUntil([&] { return fs::exists(ports); }, 30s)) {
    std::fprintf(stderr, "startup_bench: the demo server did not start\n");
    return false;
  }
  std::map<std::string, std::string> vars;
  std::istringstream lines(ReadFile(ports));
  for (std::string line; std::getline(lines, line);) {
    auto eq = line.find('=');
    if (eq != std::string::npos) vars[line.substr(0, eq)] = line.substr(eq + 1);
  }
  const std::string game = "http://127.0.0.1:" + vars["DEMO_PORT"];
  login_url_ = "http://127.0.0.1:" + vars["DEMO_LOGIN_PORT"] + "/oauth2/5670?redirectUri=" + game +
               "/user/kvWebLogin";
  for (const std::string& var : testing_support::CurrentEnvironment()) {
    if (var.rfind("XDG_", 0) != 0 && var.rfind("HOME=", 0) != 0 && var.rfind("CVL_", 0) != 0) {
      env_.push_back(var);
    }
  }
  env_.push_back("HOME=" + (dir_ / "home").string());
  env_.push_back("XDG_CONFIG_HOME=" + (dir_ / "home/.config").string());
  env_.push_back("XDG_CACHE_HOME=" + (dir_ / "home/.cache").string());
  env_.push_back("CVL_REGISTRY_DIR=" + (dir_ / "registry").string());
  env_.push_back("CVL_STRING_148=" + login_url_);
  env_.push_back("CVL_STRING_154=" + game + "/log/log");
  env_.push_back("CVL_STRING_155=" + game + "/package/brindle/PCDownloadCfg.json");
  return true;
}

Bench::~Bench() {
  if (server_ > 0) {
    kill(server_, SIGTERM);
    WaitExit(server_, 10s);
  }
  if (x_ != nullptr) XCloseDisplay(x_);
  if (!dir_.empty()) fs::remove_all(dir_);
}

std::optional<Sample> Bench::Run(const std::vector<std::string>& argv, const std::string& title,
                                 const std::function<void(pid_t, unsigned long)>& end) {
  const std::streamoff from = FileSize(record_);
  const auto start = Clock::now();
  pid_t pid = Spawn(argv, env_, install_, dir_ / "programs.out");
  if (pid <= 0) return std::nullopt;
  std::optional<Clock::time_point> mapped, loaded;
  unsigned long window = 0;
  WaitUntil(
      [&] {
        if (!mapped && (window = FindWindow(x_, title)) != 0) mapped = Clock::now();
        if (!loaded && PageLoadedSince(record_, from)) loaded = Clock::now();
        return mapped && loaded;
      },
      60s, 1ms);
  std::optional<Sample> sample;
  if (mapped && loaded) {
    auto ms = [&](Clock::time_point t) {
      return std::chrono::duration<double, std::milli>(t - start).count();
    };
    sample = Sample{ms(*mapped), ms(*loaded), ms(std::max(*mapped, *loaded))};
    end(pid, window);
  }
  if (!WaitExit(pid, 15s)) {
    kill(pid, SIGKILL);
    WaitExit(pid, 5s);
    sample.reset();
  }
  WaitUntil([&] { return FindWindow(x_, title) == 0; }, 10s, 10ms);
  return sample;
}

void PressEscape(unsigned long window) {
  std::string command = "xdotool windowfocus --sync " + std::to_string(window) + " key Escape >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "startup_bench: xdotool failed\n");
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::atoi(argv[1]) : 10;
  if (rounds <= 0) {
    std::fprintf(stderr, "usage: startup_bench [ROUNDS]\n");
    return 2;
  }
  Bench bench;
  if (!bench.SetUp()) return 1;

  // The first start installs the game client; it is not measured.
  const std::vector<std::string> launcher = {CVL_QX};
  {
    const fs::path client = bench.Dir() / "install" / "game" / "cvlclient";
    auto install = bench.Run(launcher, "Corvela", [&](pid_t, unsigned long window) {
      WaitUntil([&] { return fs::exists(client); }, 60s);
      std::this_thread::sleep_for(3s);  // the worker's pause before "下载完成"
      PressEscape(window);
    });
    if (!install || !fs::exists(client)) {
      std::fprintf(stderr, "startup_bench: the first start did not install the client (see %s)\n",
                   (bench.Dir() / "programs.out").c_str());
      return 1;
    }
  }

  std::printf("start-up to window mapped and login page loaded (page's load event seen by the "
              "server), client installed, %d alternating rounds\n",
              rounds);
  std::printf("%5s  %28s  %28s\n", "round", "cvl_qx ms (mapped/loaded)", "minimal ms (mapped/loaded)");
  std::vector<double> qx, minimal;
  for (int round = 1; round <= rounds; ++round) {
    auto m = bench.Run({CVL_MINIMAL_WEBVIEW, bench.StartUrl()}, "startup-minimal",
                       [](pid_t pid, unsigned long) { kill(pid, SIGTERM); });
    auto q = bench.Run(launcher, "Corvela", [](pid_t, unsigned long window) { PressEscape(window); });
    if (!m || !q) {
      std::fprintf(stderr, "startup_bench: round %d failed (see %s)\n", round,
                   (bench.Dir() / "programs.out").c_str());
      return 1;
    }
    qx.push_back(q->ready_ms);
    minimal.push_back(m->ready_ms);
    std::printf("%5d  %12.1f (%6.1f/%6.1f)  %12.1f (%6.1f/%6.1f)\n", round, q->ready_ms,
                q->mapped_ms, q->loaded_ms, m->ready_ms, m->mapped_ms, m->loaded_ms);
  }
  double q = Median(qx), m = Median(minimal);
  std::printf("median: cvl_qx %.1f ms, minimal WebKitGTK window %.1f ms, ratio %.3f (goal <= 1.25)\n",
              q, m, q / m);
  return 0;
}
