#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "install/download-engine.h"
#include "support/loopback-server.h"
#include "telemetry/device-identity.h"
#include "telemetry/md5.h"
#include "telemetry/report-queue.h"

namespace {

using testing_http::LoopbackServer;

struct ReceivedReport {
  std::string method;
  std::string contentType;
  std::string body;
};

class ReportEvent : public ::testing::Test {
 protected:
  void SetUp() override {
    server_.server().Post("/log/log", [this](const httplib::Request& req, httplib::Response&) {
      std::lock_guard<std::mutex> lock(mutex_);
      received_.push_back({req.method, req.get_header_value("Content-Type"), req.body});
    });
    savedUrl_ = engine_.m_strLogUrl;
    engine_.m_strLogUrl = server_.Url("/log/log");
  }
  void TearDown() override { engine_.m_strLogUrl = savedUrl_; }

  std::vector<ReceivedReport> Received() {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
  }

  DownloadEngine& engine_ = DownloadEngine::GetInstance();
  LoopbackServer server_;
  std::string savedUrl_;
  std::mutex mutex_;
  std::vector<ReceivedReport> received_;
};

std::string Md5Hex(const std::string& text) {
  telemetry::MD5 md5;
  md5.Update(text);
  return md5.HexDigest();
}

TEST_F(ReportEvent, EveryEventIsPostedAsAFreshlySignedForm) {
  const std::vector<std::string> types = {"launch_start",   "close launch", "web_load",     "game_start",
                                          "download_start", "download_end", "decode_start", "decode_end",
                                          "launch_start"};
  for (const std::string& type : types) engine_.ReportEvent(type);
  ASSERT_TRUE(telemetry::WaitForReports(std::chrono::seconds(30)));

  const std::vector<ReceivedReport> reports = Received();
  ASSERT_EQ(reports.size(), types.size());
  const std::regex form(
      "type=([^&]*)&device_model=d&os_ver=o&os_name=([^&]*)&mac_addr=([^&]*)&udid=([^&]*)"
      "&app_ver=1\\.0\\.0&network=wifi&platform_tag=flash_launch&sign=([0-9a-f]{32})");
  const std::regex guid("\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}");
  std::set<std::string> ids;
  std::set<std::string> signs;
  for (std::size_t i = 0; i < reports.size(); ++i) {
    const ReceivedReport& report = reports[i];
    EXPECT_EQ(report.method, "POST");
    EXPECT_EQ(report.contentType, "application/x-www-form-urlencoded");
    std::smatch field;
    ASSERT_TRUE(std::regex_match(report.body, field, form)) << report.body;
    EXPECT_EQ(field[1], types[i]);
    EXPECT_EQ(field[2], telemetry::OsName());
    EXPECT_EQ(field[3], telemetry::MacAddress());
    EXPECT_TRUE(std::regex_match(field[4].str(), guid)) << field[4];
    EXPECT_EQ(field[5], Md5Hex(field[4].str() + "Zq5LmR8tVw2NcX7bKd4HyP9fGs3JnT6e"));
    ids.insert(field[4]);
    signs.insert(field[5]);
  }
  EXPECT_EQ(ids.size(), reports.size()) << "every report has an id of its own";
  EXPECT_EQ(signs.size(), reports.size());
  EXPECT_EQ(reports[1].body.rfind("type=close launch&device_model=d&", 0), 0u) << "the blank stays as it is";
}

// The caller goes on while the server sits on a report; the next report waits its turn.
TEST_F(ReportEvent, ASilentEndpointHoldsUpNoCallerAndTheOrderStays) {
  std::atomic<bool> entered{false}, release{false}, heldReturned{false}, nextAfterHeld{false};
  server_.server().Post("/held", [&](const httplib::Request&, httplib::Response&) {
    entered = true;
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    heldReturned = true;
  });
  server_.server().Post("/next", [&](const httplib::Request&, httplib::Response&) {
    nextAfterHeld = heldReturned.load();
  });
  engine_.m_strLogUrl = server_.Url("/held");
  engine_.ReportEvent("web_load");
  engine_.m_strLogUrl = server_.Url("/next");
  engine_.ReportEvent("web_load");
  // Both calls have returned while the first request still waits for its answer.
  for (int i = 0; i < 3000 && !entered; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(entered);
  EXPECT_FALSE(heldReturned);
  release = true;
  ASSERT_TRUE(telemetry::WaitForReports(std::chrono::seconds(30)));
  EXPECT_TRUE(nextAfterHeld) << "the second report overtook the first";
}

TEST_F(ReportEvent, AnEndpointThatNeverAnswersCostsSecondsNotMinutes) {
  server_.server().Post("/silent", [this](const httplib::Request&, httplib::Response&) { server_.WaitForRelease(); });
  engine_.m_strLogUrl = server_.Url("/silent");
  engine_.ReportEvent("web_load");
  // The report gives up at its own limit; a margin for a loaded machine, but far less than the
  // minutes of libcurl's default or a limit several times too long.
  EXPECT_TRUE(telemetry::WaitForReports(telemetry::kReportTimeout + std::chrono::seconds(3)));
}

TEST_F(ReportEvent, ARefusedConnectionIsSilent) {
  engine_.m_strLogUrl = "http://127.0.0.1:" + std::to_string(testing_http::UnusedPort()) + "/log/log";
  engine_.ReportEvent("game_start");
  ASSERT_TRUE(telemetry::WaitForReports(std::chrono::seconds(30)));
  EXPECT_TRUE(Received().empty());
}

// In a fresh process, where the engine does not exist yet: it takes the endpoint from entry 154.
// Closing the queue sends what was made before and drops what comes after, so "close launch"
// stays the last report; the server's answer goes nowhere, least of all to standard output.
TEST(ReportEventEndpoint, ComesFromStringEntry154AndClosingKeepsTheLastReportLast) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  LoopbackServer server;
  std::mutex mutex;
  std::vector<std::string> types;
  server.server().Post("/log/log", [&](const httplib::Request& req, httplib::Response& res) {
    std::lock_guard<std::mutex> lock(mutex);
    types.push_back(req.get_param_value("type"));
    res.set_content("statistics answer", "text/plain");
  });
  ::setenv("CVL_STRING_154", server.Url("/log/log").c_str(), 1);
  char output[] = "/tmp/cvl-report-stdout-XXXXXX";
  const int outputFd = ::mkstemp(output);
  ASSERT_GE(outputFd, 0);
  ::unlink(output);  // the descriptor is all the case needs, in this process and in the child
  const std::vector<std::string> expected = {"launch_start", "close launch"};
  EXPECT_EXIT(
      {
        std::fflush(stdout);
        ::dup2(outputFd, 1);
        DownloadEngine::GetInstance().ReportEvent("launch_start");
        DownloadEngine::GetInstance().ReportEvent("close launch");
        const bool closed = telemetry::CloseReports(std::chrono::seconds(30));
        DownloadEngine::GetInstance().ReportEvent("web_load");
        telemetry::WaitForReports(std::chrono::seconds(30));
        std::fflush(stdout);
        std::lock_guard<std::mutex> lock(mutex);
        const bool sent = types == expected;
        std::_Exit(closed && sent && ::lseek(outputFd, 0, SEEK_END) == 0 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  ::close(outputFd);
  ::unsetenv("CVL_STRING_154");
}

}  // namespace
