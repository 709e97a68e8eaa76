// The configuration check runs in a child process each time, as at start-up: with the real logger
// writing into the test's folder and a fresh DownloadEngine. A failed check must end that process
// with exit code 1 and leave the line that says why on disk.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "app/krn-launch.h"
#include "install/download-engine.h"
#include "support/loopback-server.h"
#include "support/main-log.h"
#include "support/sandbox.h"

namespace {

namespace fs = std::filesystem;
using testing_http::LoopbackServer;

constexpr char kConfigPath[] = "/package/brindle/PCDownloadCfg.json";

struct Expected {
  std::string gameDir;
  std::string packageUrl;
  std::string packageFile;
};

struct ChildSetup {
  long stallSeconds = 60;
  long configTimeoutSeconds = 30;
  bool withoutHandle = false;
};

// Ends with exit code 0 when the check returned and filled the members as expected, 3 when it
// returned with other values; a failing check ends the process itself.
[[noreturn]] void RunCheck(const fs::path& logs, const Expected& expected, ChildSetup setup = {}) {
  testing_log::StartMainLog(logs);
  DownloadEngine& engine = DownloadEngine::GetInstance();
  engine.m_stallSeconds = setup.stallSeconds;
  engine.m_configTimeoutSeconds = setup.configTimeoutSeconds;
  if (setup.withoutHandle) engine.m_curl = nullptr;
  CKRNLaunchApp app;
  app.CheckDownloadConfig();
  const bool filled = app.m_strGameDir == expected.gameDir && app.m_strPackageUrl == expected.packageUrl &&
                      app.m_strPackageFile == expected.packageFile;
  cvlog::ExitProcessFlushed(filled ? 0 : 3);
}

// Each check runs in a child that starts the test program afresh rather than a forked copy: a fork
// copies the server threads' allocator locks in whatever state they are, and under the address
// sanitizer (whose allocator has no fork handlers) the child can hang on one. The child keeps its
// sandbox inside the parent's and writes its logs where the parent reads them.
constexpr char kParentRoot[] = "CVL_TEST_PARENT_ROOT";

fs::path SandboxParent() {
  const char* parent = std::getenv(kParentRoot);
  return parent ? fs::path(parent) : fs::temp_directory_path();
}

class CheckDownloadConfig : public ::testing::Test {
 protected:
  CheckDownloadConfig() : sandbox_(SandboxParent()) { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

  void SetUp() override {
    if (!std::getenv(kParentRoot)) sandbox_.Set(kParentRoot, sandbox_.root().string());
    logRoot_ = std::getenv(kParentRoot);
    server_.server().Get(kConfigPath, [this](const httplib::Request&, httplib::Response& res) {
      res.status = status_;
      res.set_content(body_, status_ == 200 ? "application/json" : "text/html");
    });
    PointAt(server_.Url(kConfigPath));
  }

  void PointAt(const std::string& url) { sandbox_.Set("CVL_STRING_155", url); }
  fs::path Logs(int run) const { return logRoot_ / ("logs" + std::to_string(run)); }

  testing_sandbox::Sandbox sandbox_;
  fs::path logRoot_;
  LoopbackServer server_;
  int status_ = 200;
  std::string body_;
};

std::vector<std::string> SuccessLog(const Expected& e) {
  return {"cfg check start", "check path:" + e.gameDir, "check gamePath:" + e.packageUrl,
          "check packageName:" + e.packageFile, "cfg check end"};
}

TEST_F(CheckDownloadConfig, FillsTheConfigurationFromTheThreeStrings) {
  const struct {
    const char* what;
    std::string body;
    Expected expected;
  } kCases[] = {
      {"the three keys",
       R"({"path":"D:/Games/cvl","gamePath":"http://cdn.test/pkg/pkg.7z","packageName":"pkg.7z"})",
       {"D:/Games/cvl", "http://cdn.test/pkg/pkg.7z", "./cvl/pkg.7z"}},
      {"other keys and another order",
       R"({"packageName":"g.7z","version":3,"mirrors":["a","b"],"gamePath":"u","path":"/opt/g","x":{}})",
       {"/opt/g", "u", "./cvl/g.7z"}},
      {"empty folder and URL", R"({"path":"","gamePath":"","packageName":"p.7z"})", {"", "", "./cvl/p.7z"}},
      {"a URL without a scheme, names with dots and blanks",
       R"({"path":"/opt/g","gamePath":"cdn.test/p.7z","packageName":"..game v2.7z"})",
       {"/opt/g", "cdn.test/p.7z", "./cvl/..game v2.7z"}},
      {"https in capitals", R"({"path":"/opt/g","gamePath":"HTTPS://cdn.test/p.7z","packageName":"p.7z"})",
       {"/opt/g", "HTTPS://cdn.test/p.7z", "./cvl/p.7z"}},
      {"text outside ASCII and escapes",
       "{\"path\":\"/home/玩家/游戏\",\"gamePath\":\"http://h/\\u00e9.7z\",\"packageName\":\"a\\\"b.7z\"}",
       {"/home/玩家/游戏", "http://h/\xC3\xA9.7z", "./cvl/a\"b.7z"}},
  };
  int run = 0;
  for (const auto& c : kCases) {
    body_ = c.body;
    ++run;
    EXPECT_EXIT(RunCheck(Logs(run), c.expected), ::testing::ExitedWithCode(0), "") << c.what;
    EXPECT_EQ(testing_log::LogTexts(Logs(run)), SuccessLog(c.expected)) << c.what;
  }
}

// A block may end anywhere, even inside a string; the line end put after it must not break it.
TEST_F(CheckDownloadConfig, ABodyInSeveralBlocksReadsAsOne) {
  const std::vector<std::string> blocks = {R"({"path":"D:/Ga)", R"(mes/cvl","gamePath":"http://h/p)",
                                           R"(kg.7z","packageName":"pk)", R"(g.7z"})"};
  server_.server().Get("/blocks", [&](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("application/json", [&](std::size_t, httplib::DataSink& sink) {
      for (const std::string& block : blocks) {
        sink.write(block.data(), block.size());
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      sink.done();
      return true;
    });
  });
  PointAt(server_.Url("/blocks"));
  const Expected expected{"D:/Games/cvl", "http://h/pkg.7z", "./cvl/pkg.7z"};
  EXPECT_EXIT(RunCheck(Logs(1), expected), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(testing_log::LogTexts(Logs(1)), SuccessLog(expected));
}

TEST_F(CheckDownloadConfig, ABodyThatIsNotTheDocumentEndsTheProcessWithItsReason) {
  const struct {
    int status;
    std::string body;
    std::string reason;  // how the last log line begins after "cfg check err:"
  } kCases[] = {
      {404, "<html><head><title>404 Not Found</title></head><body>nginx</body></html>",
       "[json.exception.parse_error.101]"},
      {200, R"({"path":"D:/Games/cvl","gamePath":)", "[json.exception.parse_error.101]"},
      {200, "", "[json.exception.parse_error.101]"},
      {200, R"({"path":"D:/Games/cvl","packageName":"pkg.7z"})",
       "[json.exception.out_of_range.403] key 'gamePath' not found"},
      {200, R"({"path":"g","gamePath":"u","packageName":7})", "[json.exception.type_error.302]"},
      {200, R"(["path","gamePath","packageName"])", "[json.exception.type_error.304]"},
  };
  int run = 0;
  for (const auto& c : kCases) {
    status_ = c.status;
    body_ = c.body;
    ++run;
    EXPECT_EXIT(RunCheck(Logs(run), {}), ::testing::ExitedWithCode(1), "") << c.body;
    const std::vector<std::string> log = testing_log::LogTexts(Logs(run));
    ASSERT_EQ(log.size(), 2u) << c.body;
    EXPECT_EQ(log[0], "cfg check start");
    EXPECT_EQ(log[1].rfind("cfg check err:" + c.reason, 0), 0u) << log[1];
  }
}

// A package name that reaches out of the data folder, or a package URL that reads anything but the
// web, would make the install write or fetch where the server's configuration must not reach.
TEST_F(CheckDownloadConfig, ANameOrURLThatLeavesItsPlaceEndsTheProcess) {
  constexpr char kNotAName[] = "packageName is not a plain file name";
  constexpr char kNotWeb[] = "gamePath is not an http or https URL";
  const struct {
    std::string gamePath;
    std::string packageName;
    const char* reason;
  } kCases[] = {
      {"http://h/p.7z", "../uninst", kNotAName},
      {"http://h/p.7z", "../../x", kNotAName},
      {"http://h/p.7z", "logs/p.7z", kNotAName},
      {"http://h/p.7z", "/tmp/p.7z", kNotAName},
      {"http://h/p.7z", "..\\uninst", kNotAName},
      {"http://h/p.7z", "..", kNotAName},
      {"http://h/p.7z", ".", kNotAName},
      {"http://h/p.7z", "", kNotAName},
      {"file:///etc/hostname", "p.7z", kNotWeb},
      {"FILE:/etc/hostname", "p.7z", kNotWeb},
      {"ftp://h/p.7z", "p.7z", kNotWeb},
  };
  int run = 0;
  for (const auto& c : kCases) {
    body_ = nlohmann::json{{"path", "/opt/g"}, {"gamePath", c.gamePath}, {"packageName", c.packageName}}.dump();
    ++run;
    EXPECT_EXIT(RunCheck(Logs(run), {}), ::testing::ExitedWithCode(1), "") << body_;
    EXPECT_EQ(testing_log::LogTexts(Logs(run)),
              (std::vector<std::string>{"cfg check start", std::string("cfg check err:") + c.reason}))
        << body_;
  }
}

// Nothing is shown while the configuration comes, so neither its size nor its pace may be left to
// the server: the fetch is cut off past 1 MiB, and after its time in total however slowly the
// bytes keep arriving.
TEST_F(CheckDownloadConfig, AnOversizedOrEndlessBodyEndsTheProcess) {
  const std::string big = R"({"path":"g","gamePath":"u","packageName":"p.7z","pad":")" +
                          std::string(2 << 20, 'x') + "\"}";
  server_.server().Get("/announced", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(big, "application/json");
  });
  // Never ends by itself: only the launcher's cut-off stops it.
  const std::string block(64 * 1024, ' ');
  server_.server().Get("/endless", [&](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("application/json", [&](std::size_t, httplib::DataSink& sink) {
      return sink.write(block.data(), block.size());
    });
  });
  server_.server().Get("/drip", [&](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("application/json", [&](std::size_t, httplib::DataSink& sink) {
      std::this_thread::sleep_for(std::chrono::seconds(1));
      return sink.write(" ", 1);
    });
  });
  const struct {
    const char* path;
    ChildSetup setup;
    const char* description;
  } kCases[] = {
      {"/announced", {}, "Maximum file size exceeded"},
      {"/endless", {}, "Maximum file size exceeded"},
      // One byte a second passes any stall limit: only the limit in total ends it (without that
      // limit the case hangs for the hour of stall limit it is given).
      {"/drip", {.stallSeconds = 3600, .configTimeoutSeconds = 3}, "Timeout was reached"},
  };
  int run = 0;
  for (const auto& c : kCases) {
    PointAt(server_.Url(c.path));
    ++run;
    EXPECT_EXIT(RunCheck(Logs(run), {}, c.setup), ::testing::ExitedWithCode(1), "") << c.path;
    EXPECT_EQ(testing_log::LogTexts(Logs(run)),
              (std::vector<std::string>{"cfg check start", std::string("cfg check err:") + c.description}))
        << c.path;
  }
}

TEST_F(CheckDownloadConfig, AFailedTransferEndsTheProcessWithLibcurlsDescription) {
  server_.server().Get("/silent", [this](const httplib::Request&, httplib::Response& res) {
    res.set_content_provider(100, "application/json", [this](std::size_t, std::size_t, httplib::DataSink&) {
      server_.WaitForRelease();
      return false;
    });
  });
  const struct {
    const char* what;
    std::string url;
    ChildSetup setup;
    const char* description;
  } kCases[] = {
      {"nothing listens", "http://127.0.0.1:" + std::to_string(testing_http::UnusedPort()) + kConfigPath, {},
       "Couldn't connect to server"},
      {"headers and then nothing", server_.Url("/silent"), {.stallSeconds = 1}, "Timeout was reached"},
      {"no shared handle", server_.Url(kConfigPath), {.withoutHandle = true}, "Failed initialization"},
  };
  int run = 0;
  for (const auto& c : kCases) {
    PointAt(c.url);
    ++run;
    EXPECT_EXIT(RunCheck(Logs(run), {}, c.setup), ::testing::ExitedWithCode(1), "") << c.what;
    EXPECT_EQ(testing_log::LogTexts(Logs(run)),
              (std::vector<std::string>{"cfg check start", std::string("cfg check err:") + c.description}))
        << c.what;
  }
}

}  // namespace
