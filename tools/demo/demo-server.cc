// The demo's one server on 127.0.0.1: the download configuration, the game package, the login
// page with its redirect target, and the statistics endpoint that checks every report's
// signature. What it sees goes to a record file (see record.h) for the demo script and the tests.
// It listens on two ports, as the real deployment has two hosts: the game server's, and the
// login host's, whose front copes with the launcher's start URL (see login-front.h). Both serve
// the same paths. The ports go to stdout and, as shell assignments DEMO_PORT=... and
// DEMO_LOGIN_PORT=..., to the ports file.
//
//   demo_server --game-dir DIR --record FILE [--ports-file FILE] [--package-name NAME]
//               [--game-source DIR] [--www DIR] [--package FILE] [--filler-bytes N]
//               [--rate BYTES_PER_SECOND] [--package-fault 404|refused]
//   demo_server --summarize FILE
// --package-fault makes the package fail the way a broken deployment would, for the launcher's
// failure paths: "404" answers the package request with an error page, "refused" points the
// configuration's package URL at a loopback port where nothing accepts connections.
#include <httplib.h>

#include <csignal>
#include <deque>
#include <fstream>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <netinet/in.h>
#include <pthread.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "platform/atomic-write.h"
#include "tools/demo/login-front.h"
#include "tools/demo/package-builder.h"
#include "tools/demo/record.h"
#include "tools/demo/report-check.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kConfigPath = "/package/brindle/PCDownloadCfg.json";
constexpr const char* kPackageDir = "/package/brindle/";

struct Options {
  std::string game_dir;
  fs::path record;
  fs::path ports_file;
  std::string package_name = "corvela-demo.7z";
  fs::path game_source = fs::path(CVL_DEMO_SOURCE_DIR) / "game";
  fs::path www = fs::path(CVL_DEMO_SOURCE_DIR) / "www";
  fs::path package;  // prebuilt archive; empty: build one at start
  std::uint64_t filler_bytes = 2 << 20;
  std::uint64_t rate = 0;  // bytes per second for the package; 0: as fast as possible
  std::string package_fault;  // empty, "404" or "refused"
  fs::path summarize;
};

[[noreturn]] void Usage(const std::string& why) {
  std::cerr << "demo_server: " << why << "\n"
            << "usage: demo_server --game-dir DIR --record FILE [--ports-file FILE]\n"
               "         [--package-name NAME] [--game-source DIR] [--www DIR] [--package FILE]\n"
               "         [--filler-bytes N] [--rate BYTES_PER_SECOND] [--package-fault 404|refused]\n"
               "       demo_server --summarize RECORD_FILE\n";
  std::exit(2);
}

std::uint64_t Number(const std::string& name, const std::string& text) {
  try {
    size_t used = 0;
    unsigned long long n = std::stoull(text, &used);
    if (used == text.size() && text[0] != '-') return n;
  } catch (const std::exception&) {
  }
  Usage(name + " needs a non-negative number, got \"" + text + "\"");
}

Options ParseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string name = argv[i];
    if (i + 1 >= argc) Usage(name + " needs a value");
    std::string value = argv[++i];
    if (name == "--game-dir") o.game_dir = value;
    else if (name == "--record") o.record = value;
    else if (name == "--ports-file") o.ports_file = value;
    else if (name == "--package-name") o.package_name = value;
    else if (name == "--game-source") o.game_source = value;
    else if (name == "--www") o.www = value;
    else if (name == "--package") o.package = value;
    else if (name == "--filler-bytes") o.filler_bytes = Number(name, value);
    else if (name == "--rate") o.rate = Number(name, value);
    else if (name == "--package-fault") o.package_fault = value;
    else if (name == "--summarize") o.summarize = value;
    else Usage("unknown option " + name);
  }
  if (!o.summarize.empty()) return o;
  if (o.game_dir.empty()) Usage("--game-dir is required");
  if (!o.package_fault.empty() && o.package_fault != "404" && o.package_fault != "refused") {
    Usage("--package-fault must be 404 or refused, got \"" + o.package_fault + "\"");
  }
  if (o.record.empty()) Usage("--record is required");
  // The name becomes a URL path segment and the launcher's "./cvl/" file name.
  if (o.package_name.empty() || o.package_name.find_first_of("/?#% ") != std::string::npos ||
      o.package_name == "PCDownloadCfg.json") {
    Usage("--package-name must be a plain file name other than the configuration's");
  }
  return o;
}

// cpp-httplib takes route patterns as regular expressions; the demo's paths are literal.
std::string Literal(std::string_view path) {
  std::string out;
  for (char c : path) {
    if (std::string_view(".^$|()[]{}*+?\\").find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// One package transfer: counts what actually went out and paces it when a rate is set.
struct Transfer {
  std::shared_ptr<const std::string> bytes;
  std::string target;
  std::uint64_t rate = 0;
  std::uint64_t sent = 0;
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

void ServePackage(httplib::Response& res, demo::Record& record,
                  std::shared_ptr<const std::string> package, std::string target,
                  std::uint64_t rate) {
  auto t = std::make_shared<Transfer>();
  t->bytes = std::move(package);
  t->target = std::move(target);
  t->rate = rate;
  res.set_content_provider(
      t->bytes->size(), "application/x-7z-compressed",
      [t](size_t offset, size_t length, httplib::DataSink& sink) {
        size_t n = std::min<size_t>(length, 64 * 1024);
        if (t->rate > 0) {
          auto due = t->start + std::chrono::microseconds(t->sent * 1'000'000 / t->rate);
          std::this_thread::sleep_until(due);
        }
        if (!sink.write(t->bytes->data() + offset, n)) return false;
        t->sent += n;
        return true;
      },
      [t, &record](bool success) {
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                              t->start)
                        .count();
        record.Download(t->target, t->sent, t->bytes->size(),
                        success && t->sent == t->bytes->size(), ms);
      });
}

// A loopback port that refuses every connection for as long as the server runs: the socket is
// bound, so no other program can take the port, but never listens, so a connect gets a reset.
class RefusingPort {
 public:
  RefusingPort() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&addr), size) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &size) != 0) {
      throw std::runtime_error("cannot reserve a loopback port for --package-fault refused");
    }
    port_ = ntohs(addr.sin_port);
  }
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;
  ~RefusingPort() { close(fd_); }
  int Port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// Login names handed to the page by the demo script (POST /demo/login); the page polls for them,
// so a script can log in without knowing where the field sits on the screen.
class LoginQueue {
 public:
  void Push(std::string user) {
    std::lock_guard lock(mutex_);
    users_.push_back(std::move(user));
  }
  bool Pop(std::string& user) {
    std::lock_guard lock(mutex_);
    if (users_.empty()) return false;
    user = std::move(users_.front());
    users_.pop_front();
    return true;
  }

 private:
  std::mutex mutex_;
  std::deque<std::string> users_;
};

// SIGINT and SIGTERM stop the server from a thread of its own, since stop() is not signal-safe.
// They are blocked before the first thread starts, so that every thread inherits the mask and
// only the waiter receives them.
sigset_t BlockStopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  return set;
}

void StopOnSignal(httplib::Server& server, sigset_t set) {
  std::thread([&server, set] {
    int sig = 0;
    sigwait(&set, &sig);
    server.stop();
  }).detach();
}

int Serve(const Options& o) {
  demo::Record record(o.record);
  const std::string login_page = ReadFile(o.www / "login.html");
  const std::string redirect_page = ReadFile(o.www / "kvweblogin.html");
  const std::string page_script = ReadFile(o.www / "demo.js");

  fs::path package_path = o.package;
  if (package_path.empty()) {
    package_path = demo::BuildPackage({.game_source = o.game_source,
                                       .work_dir = o.record.parent_path().empty()
                                                       ? fs::path(".")
                                                       : o.record.parent_path(),
                                       .package_name = o.package_name,
                                       .filler_bytes = o.filler_bytes});
  }
  auto package = std::make_shared<const std::string>(ReadFile(package_path));

  const sigset_t stop_signals = BlockStopSignals();
  httplib::Server server;
  server.set_payload_max_length(64 * 1024);
  int port = server.bind_to_any_port("127.0.0.1");
  demo::LoginFront login_front(port);
  int login_port = port > 0 ? login_front.Start(0) : -1;
  if (port <= 0 || login_port <= 0) {
    std::cerr << "demo_server: cannot listen on 127.0.0.1\n";
    return 1;
  }
  const std::string base = "http://127.0.0.1:" + std::to_string(port);
  const std::string package_target = kPackageDir + o.package_name;
  std::unique_ptr<RefusingPort> refusing;
  std::string package_base = base;
  if (o.package_fault == "refused") {
    refusing = std::make_unique<RefusingPort>();
    package_base = "http://127.0.0.1:" + std::to_string(refusing->Port());
  }

  server.Get(Literal(kConfigPath), [&](const httplib::Request&, httplib::Response& res) {
    nlohmann::ordered_json cfg = {{"path", o.game_dir},
                                  {"gamePath", package_base + package_target},
                                  {"packageName", o.package_name}};
    res.set_content(cfg.dump(), "application/json");
  });
  server.Get(Literal(package_target), [&](const httplib::Request& req, httplib::Response& res) {
    if (o.package_fault == "404") {
      res.status = 404;
      res.set_content("<!DOCTYPE html><title>404 Not Found</title><h1>Not Found</h1>\n",
                      "text/html; charset=utf-8");
      return;
    }
    ServePackage(res, record, package, req.target, o.rate);
  });
  server.Get("/oauth2/5670", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(login_page, "text/html; charset=utf-8");
  });
  server.Get("/user/kvWebLogin", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(redirect_page, "text/html; charset=utf-8");
  });
  server.Get("/demo/demo.js", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(page_script, "text/javascript; charset=utf-8");
  });
  server.Post("/log/log", [&](const httplib::Request& req, httplib::Response& res) {
    demo::ReportCheck check = demo::CheckReport(req.body);
    int seq = record.Event(check, req.body);
    std::cout << "report " << seq << ": " << check.type << " "
              << (check.signature_valid && check.well_formed ? "valid" : "INVALID: " + check.problem)
              << std::endl;
    res.status = 200;
  });

  LoginQueue logins;
  server.Post("/demo/login", [&](const httplib::Request& req, httplib::Response& res) {
    logins.Push(req.body);
    res.status = 204;
  });
  server.Get("/demo/login/next", [&](const httplib::Request&, httplib::Response& res) {
    std::string user;
    if (logins.Pop(user)) {
      res.set_content(user, "text/plain; charset=utf-8");
    } else {
      res.status = 204;
    }
  });
  server.Post("/demo/login/answer", [&](const httplib::Request& req, httplib::Response& res) {
    record.LoginAnswer(req.get_param_value("user"), req.body);
    res.status = 204;
  });

  // The login page's load event: what a script waits for instead of looking at the screen.
  server.Post("/demo/loaded", [&](const httplib::Request& req, httplib::Response& res) {
    bool via_login = !req.get_header_value(std::string(demo::kOriginalTargetHeader)).empty();
    record.PageLoad(via_login ? "login" : "game", req.body);
    res.status = 204;
  });

  server.set_logger([&](const httplib::Request& req, const httplib::Response& res) {
    if (req.path.rfind("/demo/", 0) == 0) return;
    std::string original = req.get_header_value(std::string(demo::kOriginalTargetHeader));
    record.Request(req.method, original.empty() ? req.target : original, res.status,
                   original.empty() ? "game" : "login");
  });

  StopOnSignal(server, stop_signals);
  const std::string ports = "DEMO_PORT=" + std::to_string(port) +
                            "\nDEMO_LOGIN_PORT=" + std::to_string(login_port) + "\n";
  if (!o.ports_file.empty() &&
      !platform::WriteFileAtomically(o.ports_file.string(), ports, platform::FileAccess::plain)) {
    std::cerr << "demo_server: cannot write the ports file " << o.ports_file << "\n";
    return 1;
  }
  std::cout << "demo server: game server " << base << ", login host http://127.0.0.1:"
            << login_port << ", package " << package_path << " (" << package->size()
            << " bytes), game folder " << o.game_dir << std::endl;
  if (!server.listen_after_bind()) {
    std::cerr << "demo_server: the server stopped with an error\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o = ParseOptions(argc, argv);
  try {
    if (!o.summarize.empty()) {
      if (demo::Summarize(o.summarize, std::cout)) return 0;
      std::cerr << "demo_server: cannot read " << o.summarize << "\n";
      return 1;
    }
    return Serve(o);
  } catch (const std::exception& e) {
    std::cerr << "demo_server: " << e.what() << "\n";
    return 1;
  }
}
