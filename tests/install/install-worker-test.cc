// The install worker and the progress monitor against a loopback server and the real plug-in,
// with the dialog's controls replaced by recorders.
#include "install/install-worker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "install/download-engine.h"
#include "support/files.h"
#include "support/loopback-server.h"
#include "telemetry/report-queue.h"
#include "ui/progress-fill.h"
#include "install/worker-fixture.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ReadFile;
using testing_support::WriteFile;
using worker_test::Recorder;

class WorkerTest : public worker_test::WorkerFixture {
 protected:
  // A 7z package of a small game tree, built with the 7z program, and served as /pkg.7z.
  void MakePackage(const std::map<std::string, std::string>& files) {
    const fs::path tree = root_ / "tree";
    for (const auto& [name, bytes] : files) WriteFile(tree / name, bytes);
    const std::string command = "cd '" + tree.string() + "' && 7z a -bd -y ../pkg.7z . >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    server().Serve(ReadFile(root_ / "pkg.7z"));
    fs::remove_all(tree);
  }
};

TEST_F(WorkerTest, DownloadsAndUnpacksThePackageThenSaysSo) {
  MakePackage({{"cvlclient", "#!/bin/sh\n"}, {"data/levels/1.txt", "level one"}, {"说明.txt", "readme"}});
  Recorder recorder;

  InstallThreadProc(Package(server().Url("/pkg.7z")), recorder.Controls());

  EXPECT_TRUE(g_bInstallFinished);
  EXPECT_EQ(recorder.statusTexts, (std::vector<std::string>{"正在安装...", "下载完成"}));
  EXPECT_TRUE(recorder.boxes.empty());
  EXPECT_EQ(ReadFile(root_ / "game/cvlclient"), "#!/bin/sh\n");
  EXPECT_EQ(ReadFile(root_ / "game/data/levels/1.txt"), "level one");
  EXPECT_EQ(ReadFile(root_ / "game/说明.txt"), "readme");
  EXPECT_EQ(ReadFile(root_ / "cvl/game.7z"), server().Package()) << "the package stays after unpacking";
  ASSERT_TRUE(telemetry::WaitForReports(std::chrono::seconds(30)));
  EXPECT_EQ(server().Events(), (std::vector<std::string>{"download_start", "download_end", "decode_start", "decode_end"}));
}

TEST_F(WorkerTest, FailuresEndTheInstallWithoutLeavingTheDialogStuck) {
  struct Case {
    const char* name;
    std::string url;
    std::string file;
    std::vector<std::string> statusTexts;
    size_t boxes;
    std::vector<std::string> events;
    int packageRequests;
  };
  const std::string refused = "http://127.0.0.1:" + std::to_string(testing_http::UnusedPort()) + "/pkg.7z";
  const std::vector<Case> cases = {
      // An error page is saved as the package; opening it as 7z fails and the player is told.
      {"404 page", server().Url("/missing.7z"), "./cvl/game.7z", {"正在安装..."}, 1,
       {"download_start", "download_end", "decode_start"}, 1},
      // A failed download is told with the same box, and nothing is unpacked.
      {"refused connection", refused, "./cvl/game.7z", {}, 1, {"download_start", "download_end"}, 0},
      {"transfer cut short", server().Url("/cut.7z"), "./cvl/game.7z", {}, 1,
       {"download_start", "download_end"}, 1},
      // Without a package file nothing is downloaded at all.
      {"package file cannot be made", server().Url("/pkg.7z"), "./cvl/no-such-folder/game.7z", {}, 1,
       {"download_start", "download_end"}, 0},
  };
  MakePackage({{"cvlclient", "#!/bin/sh\n"}, {"data/world.bin", std::string(200'000, 'w')}});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_bInstallFinished = false;
    server().Reset();
    Recorder recorder;

    InstallThreadProc(Package(c.url, c.file), recorder.Controls());

    EXPECT_TRUE(g_bInstallFinished) << "the window must become closable";
    EXPECT_EQ(recorder.statusTexts, c.statusTexts);
    EXPECT_EQ(recorder.boxes.size(), c.boxes);
    if (c.boxes) {
      EXPECT_EQ(recorder.boxes[0], "下载出错请重新打开|提示");
    }
    ASSERT_TRUE(telemetry::WaitForReports(std::chrono::seconds(30)));
    EXPECT_EQ(server().Events(), c.events);
    EXPECT_EQ(server().PackageRequests(), c.packageRequests);
    EXPECT_FALSE(fs::exists(root_ / "game/cvlclient"));
  }
}

// The bar's range runs from 0, so that its fill is the fraction received from the first sample on.
TEST_F(WorkerTest, MonitorsRangeStartsAtZeroAndTheMonitorEndsWhenComplete) {
  Recorder recorder;
  DownloadEngine::m_ulnow = 1500;
  DownloadEngine::m_ultotal = 3000;
  std::thread monitor(ProgressThreadProc, recorder.Controls());
  const auto sampled = [&] {
    std::lock_guard guard(recorder.lock);
    return !recorder.positions.empty();
  };
  while (!sampled()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  DownloadEngine::m_ultotal = 4000;  // a later total never changes the range
  DownloadEngine::m_ulnow = 4000;
  monitor.join();

  ASSERT_EQ(recorder.ranges, (std::vector<std::pair<int, int>>{{0, 3000}}));
  ASSERT_GE(recorder.positions.size(), 2u);
  EXPECT_EQ(recorder.positions.front(), 1500);
  EXPECT_EQ(recorder.positions.back(), 4000);
  EXPECT_EQ(recorder.paints, static_cast<int>(recorder.positions.size()));
  constexpr int kBarWidth = 500;
  EXPECT_EQ(ui::ProgressFillWidth(kBarWidth, recorder.ranges[0].first, recorder.ranges[0].second,
                                  recorder.positions.front()),
            kBarWidth / 2)
      << "the first sample of half the package fills half the bar";
}

}  // namespace
