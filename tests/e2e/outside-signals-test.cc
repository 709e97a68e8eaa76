// The launcher against what its surroundings do to it: a standard output whose reader has gone
// or never reads, windows that come and go while it looks for a running instance, and a toolkit
// variable that names another window system.
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <atomic>
#include <deque>
#include <thread>

#include "e2e/launcher-fixture.h"

// Last: Xlib's macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xlib.h>

namespace e2e {
namespace {

class OutsideSignals : public LauncherTest {
 protected:
  // Starts cvl_qx in the install folder with `args` as Launch does, with `extraEnv` on top of
  // its environment, its standard output on `output` and its standard error in launcher.err.
  Process LaunchWithOutput(int output, const std::vector<std::string>& args = {},
                           const std::vector<std::string>& extraEnv = {}) {
    std::vector<std::string> argv = {CVL_QX};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env = LauncherEnvironment();
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> argp, envp;
    for (auto& a : argv) argp.push_back(a.data());
    argp.push_back(nullptr);
    for (auto& v : env) envp.push_back(v.data());
    envp.push_back(nullptr);
    const std::string errors = (dir_ / "launcher.err").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, output, 1);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, install_.c_str());
    pid_t pid = -1;
    if (posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return Process(pid);
  }

  std::string Errors() const { return ReadFile(dir_ / "launcher.err"); }

  // The whole first run: the window, the install, the page; then Esc. The launcher ends with 0
  // and its log holds everything from "work:" to "close launch".
  void RunToTheEnd(Process& launcher) {
    const unsigned long window = WaitForWindow(kTitle);
    ASSERT_NE(window, 0u) << Errors();
    ASSERT_TRUE(WaitForEvent("web_load")) << Errors();
    ASSERT_TRUE(WaitUntil([&] { return LogHas("7z decode end2"); }, 30s)) << Errors();
    std::this_thread::sleep_for(300ms);  // the monitor's last sample
    ASSERT_TRUE(PressKey(window, "Escape"));
    EXPECT_EQ(launcher.WaitExit(20s), std::optional<int>(0)) << Errors();
    const auto lines = LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front().text, "work:" + fs::canonical(install_).string());
    EXPECT_EQ(lines.back().text, "close launch");
    for (const char* step : {"cfg check end", "download end", "7z decode end"}) {
      EXPECT_TRUE(LogHas(step)) << step;
    }
    EXPECT_TRUE(WaitForEvent("close launch", 10s));
  }
};

TEST_F(OutsideSignals, OutputIntoAPipeWhoseReaderHasGoneLosesNothing) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  int ends[2];
  ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
  close(ends[0]);
  // A token long enough that its lines go out at once instead of waiting in a buffer.
  Process launcher = LaunchWithOutput(ends[1], {"--tokenc", std::string(5000, 't')});
  close(ends[1]);
  ASSERT_TRUE(launcher.Started());
  RunToTheEnd(launcher);
}

TEST_F(OutsideSignals, OutputIntoAPipeNobodyReadsHoldsNothingUp) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  int ends[2];
  ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
  // Full before the launcher writes its first byte. The launcher's end blocks again, as a
  // pipe's writer normally does.
  ASSERT_EQ(fcntl(ends[1], F_SETFL, O_NONBLOCK), 0);
  const std::string block(4096, 'x');
  while (write(ends[1], block.data(), block.size()) > 0) {
  }
  ASSERT_EQ(fcntl(ends[1], F_SETFL, 0), 0);
  Process launcher = LaunchWithOutput(ends[1]);
  close(ends[1]);
  ASSERT_TRUE(launcher.Started());
  RunToTheEnd(launcher);
  close(ends[0]);
}

// Windows that vanish between the instance scan's listing and its reading of them: none of them
// is a running launcher, and none may end start-up.
TEST_F(OutsideSignals, WindowsComingAndGoingBesideTheInstanceScanEndNothing) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  std::atomic<bool> stop{false};
  std::thread churn([&] {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return;
    std::deque<Window> windows;
    for (unsigned long made = 0; !stop; ++made) {
      Window w = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
      XStoreName(display, w, "coming and going");
      XMapWindow(display, w);
      windows.push_back(w);
      if (windows.size() > 200) {
        XDestroyWindow(display, windows.front());
        windows.pop_front();
      }
      if (made % 50 == 0) XSync(display, False);
    }
    for (Window w : windows) XDestroyWindow(display, w);
    XCloseDisplay(display);
  });
  const int output = open((dir_ / "launcher.out").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  // Several starts: each scan has its own chance to meet a vanishing window.
  for (int start = 0; start < 3; ++start) {
    SCOPED_TRACE(start);
    Process launcher = LaunchWithOutput(output);
    ASSERT_TRUE(launcher.Started());
    const unsigned long window = WaitForWindow(kTitle);
    EXPECT_NE(window, 0u) << Errors();
    if (window == 0) break;
    ASSERT_TRUE(PressKey(window, "Escape"));
    EXPECT_EQ(launcher.WaitExit(20s), std::optional<int>(0)) << Errors();
    ASSERT_TRUE(WaitUntil([&] { return x_.FirstViewableWindow(kTitle) == 0; }, 10s));
  }
  stop = true;
  churn.join();
  close(output);
  EXPECT_TRUE(LogHas("close launch"));
}

TEST_F(OutsideSignals, AWaylandBackendInTheEnvironmentStillShowsTheWindowOnX11) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  const int output = open((dir_ / "launcher.out").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  Process launcher = LaunchWithOutput(output, {}, {"GDK_BACKEND=wayland", "WAYLAND_DISPLAY=cvl-no-such-compositor"});
  close(output);
  ASSERT_TRUE(launcher.Started());
  RunToTheEnd(launcher);
}

}  // namespace
}  // namespace e2e
