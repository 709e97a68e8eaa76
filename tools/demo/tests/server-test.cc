// The demo server as the demo and the end-to-end tests run it: a separate process on loopback
// ports, spoken to over plain sockets so that the bytes sent are exactly the ones written here.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "support/files.h"
#include "support/wait.h"

namespace fs = std::filesystem;
using nlohmann::json;

extern char** environ;

namespace {

using testing_support::ReadFile;
using testing_support::WaitUntil;

struct Reply {
  int status = 0;
  std::string headers, body;
};

Reply Http(int port, const std::string& method, const std::string& target,
           const std::string& body = {}) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  Reply r;
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return r;
  }
  std::string request = method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
                        "Connection: close\r\nContent-Length: " + std::to_string(body.size()) +
                        "\r\n\r\n" + body;
  send(fd, request.data(), request.size(), MSG_NOSIGNAL);
  std::string raw;
  char buf[65536];
  for (ssize_t n; (n = recv(fd, buf, sizeof buf, 0)) > 0;) raw.append(buf, static_cast<size_t>(n));
  close(fd);
  size_t end = raw.find("\r\n\r\n");
  if (raw.rfind("HTTP/1.1 ", 0) != 0 || end == std::string::npos) return r;
  r.status = std::stoi(raw.substr(9, 3));
  r.headers = raw.substr(0, end);
  r.body = raw.substr(end + 4);
  return r;
}

// Runs the server with `args`; output goes to `log`. Returns the process id.
pid_t Spawn(const std::vector<std::string>& args, const fs::path& log) {
  std::vector<char*> argv;
  std::string program = CVL_DEMO_SERVER;
  argv.push_back(program.data());
  std::vector<std::string> copy = args;
  for (auto& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = -1;
  posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int WaitExit(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class DemoServer : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("demo-server-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    game_ = (dir_ / "game").string();
    std::vector<std::string> args = {"--game-dir", game_, "--record",
                                     (dir_ / "record.jsonl").string(), "--ports-file",
                                     (dir_ / "ports").string(), "--filler-bytes", "200000"};
    for (const std::string& a : ExtraArgs()) args.push_back(a);
    pid_ = Spawn(args, dir_ / "server.log");
    ASSERT_GT(pid_, 0);
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(dir_ / "ports"); }, std::chrono::seconds(30)))
        << ReadFile(dir_ / "server.log");
    std::istringstream ports(ReadFile(dir_ / "ports"));
    for (std::string line; std::getline(ports, line);) {
      if (line.rfind("DEMO_PORT=", 0) == 0) port_ = std::stoi(line.substr(10));
      if (line.rfind("DEMO_LOGIN_PORT=", 0) == 0) login_port_ = std::stoi(line.substr(16));
    }
    ASSERT_GT(port_, 0);
    ASSERT_GT(login_port_, 0);
  }

  virtual std::vector<std::string> ExtraArgs() const { return {}; }

  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      EXPECT_EQ(WaitExit(pid_), 0) << "the server should end cleanly on SIGTERM";
    }
    fs::remove_all(dir_);
  }

  std::vector<json> RecordOf(const std::string& kind) {
    std::vector<json> lines;
    std::istringstream in(ReadFile(dir_ / "record.jsonl"));
    for (std::string text; std::getline(in, text);) {
      json line = json::parse(text);
      if (line["kind"] == kind) lines.push_back(line);
    }
    return lines;
  }

  std::vector<json> WaitForRecord(const std::string& kind, size_t count) {
    std::vector<json> lines;
    WaitUntil([&] { return (lines = RecordOf(kind)).size() >= count; }, std::chrono::seconds(5));
    return lines;
  }

  fs::path dir_;
  std::string game_;
  pid_t pid_ = -1;
  int port_ = 0, login_port_ = 0;
};

TEST_F(DemoServer, ConfigurationPointsAtAPackageThatUnpacksToTheDemoGame) {
  Reply cfg = Http(port_, "GET", "/package/brindle/PCDownloadCfg.json");
  ASSERT_EQ(cfg.status, 200);
  json doc = json::parse(cfg.body);
  EXPECT_EQ(doc["path"], game_);
  EXPECT_EQ(doc["packageName"], "corvela-demo.7z");
  const std::string prefix = "http://127.0.0.1:" + std::to_string(port_);
  const std::string url = doc["gamePath"];
  ASSERT_EQ(url, prefix + "/package/brindle/corvela-demo.7z");

  Reply pkg = Http(port_, "GET", url.substr(prefix.size()));
  ASSERT_EQ(pkg.status, 200);
  EXPECT_NE(pkg.headers.find("Content-Length: " + std::to_string(pkg.body.size())),
            std::string::npos)
      << pkg.headers;
  EXPECT_EQ(pkg.body, ReadFile(dir_ / "corvela-demo.7z"));

  std::ofstream(dir_ / "got.7z", std::ios::binary) << pkg.body;
  std::string unpack = "cd '" + dir_.string() + "' && 7z x -y -oout got.7z >/dev/null";
  ASSERT_EQ(std::system(unpack.c_str()), 0);
  auto perms = fs::status(dir_ / "out" / "cvlclient").permissions();
  EXPECT_NE(perms & fs::perms::owner_exec, fs::perms::none) << "the client must stay executable";
  EXPECT_TRUE(fs::exists(dir_ / "out" / "data" / "说明.txt"));
  EXPECT_EQ(fs::file_size(dir_ / "out" / "data" / "world.bin"), 200000u);

  auto downloads = WaitForRecord("download", 1);
  ASSERT_EQ(downloads.size(), 1u);
  EXPECT_EQ(downloads[0]["bytes"], pkg.body.size());
  EXPECT_EQ(downloads[0]["size"], pkg.body.size());
  EXPECT_EQ(downloads[0]["complete"], true);
}

TEST_F(DemoServer, LoginHostAnswersTheLaunchersStartUrlWithItsTwoQuestionMarks) {
  const std::string target = "/oauth2/5670?redirectUri=http://127.0.0.1:" +
                             std::to_string(port_) + "/user/kvWebLogin?qxtc=t%20k&qxqd=demo";
  Reply page = Http(login_port_, "GET", target);
  ASSERT_EQ(page.status, 200);
  EXPECT_NE(page.body.find("demo.appLogin"), std::string::npos);
  EXPECT_EQ(Http(login_port_, "GET", "/demo/demo.js").status, 200);
  EXPECT_EQ(Http(port_, "GET", "/user/kvWebLogin?user=Ada").status, 200);

  auto requests = WaitForRecord("request", 2);
  ASSERT_GE(requests.size(), 2u);
  EXPECT_EQ(requests[0]["target"], target);
  EXPECT_EQ(requests[0]["host"], "login");
  EXPECT_EQ(requests[0]["status"], 200);
  EXPECT_EQ(requests[1]["host"], "game");
}

TEST_F(DemoServer, ReportsAreRecordedInOrderWithTheirVerdict) {
  const std::string udid = "{0F8FAD5B-D9CB-469F-A165-70867728950E}";
  auto body = [&](const std::string& type, const std::string& sign) {
    return "type=" + type + "&device_model=d&os_ver=o&os_name=&mac_addr=&udid=" + udid +
           "&app_ver=1.0.0&network=wifi&platform_tag=flash_launch&sign=" + sign;
  };
  ASSERT_EQ(Http(port_, "POST", "/log/log", body("launch_start", "8cc11e7ef163c6aeef046231f782ce4e"))
                .status,
            200);
  ASSERT_EQ(Http(port_, "POST", "/log/log", body("close launch", std::string(32, '0'))).status,
            200);

  auto events = WaitForRecord("event", 2);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0]["seq"], 1);
  EXPECT_EQ(events[0]["type"], "launch_start");
  EXPECT_EQ(events[0]["signature_valid"], true);
  EXPECT_EQ(events[1]["seq"], 2);
  EXPECT_EQ(events[1]["type"], "close launch");
  EXPECT_EQ(events[1]["signature_valid"], false);
  EXPECT_EQ(events[1]["body"], body("close launch", std::string(32, '0')));
}

TEST_F(DemoServer, LoginNameReachesThePageOnce) {
  ASSERT_EQ(Http(login_port_, "POST", "/demo/login", "Ada 玩家").status, 204);
  Reply next = Http(login_port_, "GET", "/demo/login/next");
  EXPECT_EQ(next.status, 200);
  EXPECT_EQ(next.body, "Ada 玩家");
  EXPECT_EQ(Http(login_port_, "GET", "/demo/login/next").status, 204);
}

TEST_F(DemoServer, PageLoadIsRecordedWithTheHostItCameThrough) {
  EXPECT_EQ(Http(login_port_, "POST", "/demo/loaded", "http://x/oauth2/5670").status, 204);
  EXPECT_EQ(Http(port_, "POST", "/demo/loaded", "http://x/user/kvWebLogin").status, 204);
  auto loads = WaitForRecord("page_load", 2);
  ASSERT_EQ(loads.size(), 2u);
  EXPECT_EQ(loads[0]["host"], "login");
  EXPECT_EQ(loads[0]["page"], "http://x/oauth2/5670");
  EXPECT_EQ(loads[1]["host"], "game");
}

class DemoServerPackage404 : public DemoServer {
  std::vector<std::string> ExtraArgs() const override { return {"--package-fault", "404"}; }
};

TEST_F(DemoServerPackage404, AnswersThePackageWithAnErrorPage) {
  Reply pkg = Http(port_, "GET", "/package/brindle/corvela-demo.7z");
  EXPECT_EQ(pkg.status, 404);
  EXPECT_NE(pkg.body.find("Not Found"), std::string::npos);
  EXPECT_EQ(Http(port_, "GET", "/package/brindle/PCDownloadCfg.json").status, 200);
}

class DemoServerPackageRefused : public DemoServer {
  std::vector<std::string> ExtraArgs() const override { return {"--package-fault", "refused"}; }
};

TEST_F(DemoServerPackageRefused, PointsThePackageUrlAtAPortThatRefuses) {
  json doc = json::parse(Http(port_, "GET", "/package/brindle/PCDownloadCfg.json").body);
  const std::string url = doc["gamePath"];
  const std::string prefix = "http://127.0.0.1:";
  ASSERT_EQ(url.rfind(prefix, 0), 0u) << url;
  int refusing = std::stoi(url.substr(prefix.size()));
  EXPECT_NE(refusing, port_);
  EXPECT_NE(url.find("/package/brindle/corvela-demo.7z"), std::string::npos) << url;

  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(refusing));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_NE(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  EXPECT_EQ(errno, ECONNREFUSED);
  close(fd);
}

TEST(DemoServerStart, RefusesWhatItCannotServe) {
  fs::path dir = fs::temp_directory_path() / ("demo-server-start-" + std::to_string(getpid()));
  fs::create_directories(dir);
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string message;
  };
  const std::string record = (dir / "record.jsonl").string();
  const Case cases[] = {
      {{"--game-dir", "g"}, 2, "--record is required"},
      {{"--game-dir", "g", "--record", record, "--rate", "-5"}, 2, "non-negative number"},
      {{"--game-dir", "g", "--record", record, "--package-name", "a/b.7z"}, 2, "plain file name"},
      {{"--game-dir", "g", "--record", record, "--package-fault", "500"}, 2, "404 or refused"},
      {{"--game-dir", "g", "--record", record, "--game-source", (dir / "none").string()}, 1,
       "does not exist"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    pid_t pid = Spawn(c.args, dir / "out.log");
    EXPECT_EQ(WaitExit(pid), c.code);
    EXPECT_NE(ReadFile(dir / "out.log").find(c.message), std::string::npos)
        << ReadFile(dir / "out.log");
  }
  fs::remove_all(dir);
}

}  // namespace
