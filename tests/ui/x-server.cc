#include "x-server.h"

#include <X11/Xatom.h>
#include <fcntl.h>
#include <X11/Xlib.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <random>
#include <thread>
#include <vector>

extern char** environ;

namespace uitest {
namespace {

using namespace std::chrono_literals;

pid_t Spawn(std::vector<std::string> argv, const std::string& display) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string(*e).rfind("DISPLAY=", 0) != 0) env.emplace_back(*e);
  }
  if (!display.empty()) env.push_back("DISPLAY=" + display);
  std::vector<char*> args, envp;
  for (auto& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  // fork and exec rather than posix_spawn: the child asks to die with the test program, so a
  // test that is killed on its time-out leaves no server behind.
  pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execvpe(args[0], args.data(), envp.data());
    _exit(127);
  }
  return pid;
}

void Stop(pid_t& pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  pid = -1;
}

bool Alive(pid_t pid) { return pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0; }

bool RootHasProperty(Display* d, const char* name) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, rest = 0;
  unsigned char* data = nullptr;
  Atom atom = XInternAtom(d, name, False);
  bool found = XGetWindowProperty(d, DefaultRootWindow(d), atom, 0, 1, False, AnyPropertyType, &type, &format, &count,
                                  &rest, &data) == Success &&
               type != None;
  if (data != nullptr) XFree(data);
  return found;
}

// The server that holds display `n` according to its lock file.
pid_t LockOwner(int n) {
  std::ifstream lock("/tmp/.X" + std::to_string(n) + "-lock");
  long pid = -1;
  lock >> pid;
  return static_cast<pid_t>(pid);
}

}  // namespace

XServer::XServer(int width, int height, bool windowManager) {
  // Other test programs start servers at the same time: a display counts as ours only once its
  // lock file names our server and a connection to it works. -noreset: otherwise the server
  // starts over each time its last client leaves, refusing connections meanwhile.
  std::mt19937 random(static_cast<unsigned>(getpid()) ^ static_cast<unsigned>(time(nullptr)));
  for (int attempt = 0; attempt < 20 && !ok_; ++attempt) {
    int n = 300 + static_cast<int>(random() % 700);
    if (access(("/tmp/.X" + std::to_string(n) + "-lock").c_str(), F_OK) == 0) continue;
    name_ = ":" + std::to_string(n);
    server_ = Spawn({"Xvfb", name_, "-screen", "0", std::to_string(width) + "x" + std::to_string(height) + "x24",
                     "-nolisten", "tcp", "-noreset"},
                    "");
    for (int i = 0; i < 200 && Alive(server_) && !ok_; ++i) {
      if (LockOwner(n) == server_) {
        if (Display* d = XOpenDisplay(name_.c_str())) {
          XCloseDisplay(d);
          ok_ = true;
          break;
        }
      }
      std::this_thread::sleep_for(25ms);
    }
    if (!ok_) Stop(server_);
  }
  if (ok_ && windowManager) {
    // openbox now and then gives up while the new server settles; it gets a few tries.
    ok_ = false;
    Display* d = XOpenDisplay(name_.c_str());
    for (int attempt = 0; d != nullptr && attempt < 5 && !ok_; ++attempt) {
      Stop(manager_);
      manager_ = Spawn({"openbox", "--sm-disable"}, name_);
      for (int i = 0; i < 200 && Alive(manager_); ++i) {
        if (RootHasProperty(d, "_NET_SUPPORTING_WM_CHECK")) {
          ok_ = true;
          break;
        }
        std::this_thread::sleep_for(25ms);
      }
    }
    if (d != nullptr) XCloseDisplay(d);
  }
}

XServer::~XServer() {
  Stop(manager_);
  Stop(server_);
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

void PumpFor(std::chrono::milliseconds duration) {
  auto end = std::chrono::steady_clock::now() + duration;
  PumpUntil([&] { return std::chrono::steady_clock::now() > end; }, duration + 1s);
}

bool XDoTool(const std::string& arguments) {
  std::string command = "xdotool " + arguments + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

Geometry WindowGeometry(unsigned long window) {
  Geometry g;
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) return g;
  XWindowAttributes attributes;
  if (XGetWindowAttributes(d, window, &attributes)) {
    Window child = None;
    XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &g.x, &g.y, &child);
    g.width = attributes.width;
    g.height = attributes.height;
    g.viewable = attributes.map_state == IsViewable;
  }
  XCloseDisplay(d);
  return g;
}

bool HasAboveState(unsigned long window) {
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) return false;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, rest = 0;
  unsigned char* data = nullptr;
  bool above = false;
  Atom aboveAtom = XInternAtom(d, "_NET_WM_STATE_ABOVE", False);
  if (XGetWindowProperty(d, window, XInternAtom(d, "_NET_WM_STATE", False), 0, 64, False, XA_ATOM, &type, &format,
                         &count, &rest, &data) == Success &&
      data != nullptr) {
    const Atom* atoms = reinterpret_cast<const Atom*>(data);
    for (unsigned long i = 0; i < count; ++i) above = above || atoms[i] == aboveAtom;
  }
  if (data != nullptr) XFree(data);
  XCloseDisplay(d);
  return above;
}

}  // namespace uitest
