#pragma once
// The install worker's surroundings, shared by the worker's test files: a loopback server for the
// package and the statistics reports, a temp folder as the launcher's folder with the real
// plug-in in cvl/, and the dialog's controls replaced by a recorder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "install/download-engine.h"
#include "install/install-worker.h"
#include "platform/encoding.h"
#include "support/loopback-server.h"
#include "support/temp-dir.h"

namespace worker_test {

namespace fs = std::filesystem;

// What the worker and the monitor did to the dialog.
struct Recorder {
  std::mutex lock;
  std::vector<std::string> statusTexts;
  std::vector<std::string> boxes;
  std::vector<std::pair<int, int>> ranges;
  std::vector<int> positions;
  int paints = 0;

  InstallControls Controls() {
    InstallControls controls;
    controls.setStatusText = [this](const std::wstring& text) {
      std::lock_guard guard(lock);
      statusTexts.push_back(platform::WideToUtf8(text));
    };
    controls.setProgressRange = [this](int lower, int upper) {
      std::lock_guard guard(lock);
      ranges.emplace_back(lower, upper);
    };
    controls.setProgressPos = [this](int position) {
      std::lock_guard guard(lock);
      positions.push_back(position);
    };
    controls.paintProgress = [this] {
      std::lock_guard guard(lock);
      ++paints;
    };
    controls.messageBox = [this](const std::wstring& text, const std::wstring& caption) {
      std::lock_guard guard(lock);
      boxes.push_back(platform::WideToUtf8(text) + "|" + platform::WideToUtf8(caption));
    };
    return controls;
  }
};

// One loopback server for the whole program, whichever suites run in it and in whatever order:
// the engine reads the statistics URL once, so a server per suite would leave every later suite's
// reports going to a server that is gone.
//   /log/log     records each report's type
//   /pkg.7z      the package given to Serve
//   /missing.7z  a 404 error page
//   /cut.7z      announces the whole package, sends half and hangs up
class PackageServer : public testing::Environment {
 public:
  void SetUp() override {
    server_ = new testing_http::LoopbackServer;
    server_->server().Post("/log/log", [this](const httplib::Request& request, httplib::Response&) {
      std::lock_guard guard(lock_);
      const auto start = request.body.find("type=") + 5;
      events_.push_back(request.body.substr(start, request.body.find('&', start) - start));
    });
    server_->server().Get("/pkg.7z", [this](const httplib::Request&, httplib::Response& response) {
      ++packageRequests_;
      response.set_content(Package(), "application/x-7z-compressed");
    });
    server_->server().Get("/missing.7z", [this](const httplib::Request&, httplib::Response& response) {
      ++packageRequests_;
      response.status = 404;
      response.set_content("<html><body>404 Not Found</body></html>", "text/html");
    });
    server_->server().Get("/cut.7z", [this](const httplib::Request&, httplib::Response& response) {
      ++packageRequests_;
      const std::string package = Package();
      response.set_content_provider(package.size(), "application/x-7z-compressed",
                                    [package](std::size_t, std::size_t, httplib::DataSink& sink) {
                                      sink.write(package.data(), package.size() / 2);
                                      return false;
                                    });
    });
    setenv("CVL_STRING_154", server_->Url("/log/log").c_str(), 1);
  }
  void TearDown() override {
    delete server_;
    server_ = nullptr;
  }

  std::string Url(const std::string& path) const { return server_->Url(path); }

  void Serve(std::string package) {
    std::lock_guard guard(lock_);
    package_ = std::move(package);
  }
  std::string Package() {
    std::lock_guard guard(lock_);
    return package_;
  }
  int PackageRequests() const { return packageRequests_; }
  std::vector<std::string> Events() {
    std::lock_guard guard(lock_);
    return events_;
  }
  // Forgets the requests and reports seen so far.
  void Reset() {
    packageRequests_ = 0;
    std::lock_guard guard(lock_);
    events_.clear();
  }

 private:
  testing_http::LoopbackServer* server_ = nullptr;
  std::mutex lock_;
  std::string package_;
  std::vector<std::string> events_;
  std::atomic<int> packageRequests_{0};
};

inline PackageServer* const g_server =
    static_cast<PackageServer*>(testing::AddGlobalTestEnvironment(new PackageServer));

// Each test in a fresh launcher folder (the current directory) holding cvl/7za.so, with the
// worker's shared state and the server's records cleared.
class WorkerFixture : public testing::Test {
 protected:
  void SetUp() override {
    root_ = folder_.path();
    previous_ = fs::current_path();
    fs::current_path(root_);
    fs::create_directories("cvl");
    fs::copy_file(CVL_TEST_PLUGIN, "cvl/7za.so");
    g_bInstallFinished = false;
    DownloadEngine::m_ulnow = 0;
    DownloadEngine::m_ultotal = 0;
    g_server->Reset();
  }
  void TearDown() override { fs::current_path(previous_); }

  static PackageServer& server() { return *g_server; }

  InstallPackage Package(const std::string& url, const std::string& file = "./cvl/game.7z") const {
    return {url, file, (root_ / "game").string()};
  }

  testing_support::TempDir folder_;
  fs::path root_;
  fs::path previous_;
};

}  // namespace worker_test
