// The install worker's unpacking against a loopback server, the real plug-in and packages made
// by the tests: what a damaged plug-in, a damaged package or a hostile one leaves behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "arc7z/archive-writer.h"
#include "install/install-worker.h"
#include "install/worker-fixture.h"
#include "platform/encoding.h"
#include "support/files.h"

namespace {

namespace fs = std::filesystem;
using arc7z::test::WrittenItem;
using testing_support::ReadFile;
using testing_support::WriteFile;

class UnpackTest : public worker_test::WorkerFixture {
 protected:
  static void Serve(const std::vector<WrittenItem>& items) { server().Serve(arc7z::test::sevenZipArchive(items)); }

  // One start's install into `gameDir`; the boxes it showed.
  std::vector<std::string> Install(const fs::path& gameDir) {
    worker_test::Recorder recorder;
    InstallThreadProc({server().Url("/pkg.7z"), "./cvl/game.7z", gameDir.string()}, recorder.Controls());
    EXPECT_TRUE(g_bInstallFinished);
    return recorder.boxes;
  }
};

const std::vector<std::string> kErrorBox = {"下载出错请重新打开|提示"};

TEST_F(UnpackTest, DamagedPackageLeavesNoClientAndTheNextStartInstallsCompletely) {
  std::vector<WrittenItem> items = {{L"cvlclient", "#!/bin/sh\n"}, {L"data/level.dat", "level"},
                                    {L"data/late.dat", "late", true}};
  Serve(items);
  EXPECT_EQ(Install(root_ / "game"), kErrorBox);
  EXPECT_FALSE(fs::exists(root_ / "game/cvlclient")) << "a later start must install again";

  items.back().wrongChecksum = false;
  Serve(items);
  EXPECT_TRUE(Install(root_ / "game").empty());
  EXPECT_EQ(ReadFile(root_ / "game/cvlclient"), "#!/bin/sh\n");
  EXPECT_EQ(ReadFile(root_ / "game/data/late.dat"), "late");
}

TEST_F(UnpackTest, DamagedPluginIsReplacedFromTheLaunchersCopyAndLoaded) {
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"not a library", "garbage"},
      {"refused by the interface check", ReadFile(CVL_TEST_OLD_LAYOUT)},
  };
  Serve({{L"cvlclient", "#!/bin/sh\n"}});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(root_ / "game");
    WriteFile(root_ / "cvl/7za.so", c.bytes);
    g_bInstallFinished = false;
    EXPECT_TRUE(Install(root_ / "game").empty());
    EXPECT_TRUE(fs::exists(root_ / "game/cvlclient"));
    EXPECT_EQ(ReadFile(root_ / "cvl/7za.so"), ReadFile(CVL_TEST_PLUGIN));
  }
}

TEST_F(UnpackTest, PackageItemsOverTheLaunchersFilesAreRefused) {
  // "path" names the launcher's own folder.
  for (const wchar_t* item : {L"uninst", L"cvl/7za.so", L"cvl/game.7z"}) {
    SCOPED_TRACE(platform::WideToUtf8(item));
    WriteFile(root_ / "uninst", "uninstaller");
    Serve({{L"cvlclient", "#!/bin/sh\n"}, {item, "evil"}});
    g_bInstallFinished = false;
    EXPECT_EQ(Install(root_), kErrorBox);
    EXPECT_EQ(ReadFile(root_ / "uninst"), "uninstaller");
    EXPECT_EQ(ReadFile(root_ / "cvl/7za.so"), ReadFile(CVL_TEST_PLUGIN));
    EXPECT_FALSE(fs::exists(root_ / "cvlclient"));
  }
}

}  // namespace
