// What the launcher does when the install meets trouble from outside: a second launcher started
// beside it, a disk that fills up, a link planted where the package goes, a kill in the middle of
// unpacking. Each case ends with the install either complete or made again by the next start.
#include <signal.h>
#include <sys/mount.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>

#include "e2e/launcher-fixture.h"

namespace e2e {
namespace {

class InstallTrust : public LauncherTest {};

// A small file system mounted over a folder for one case, removed again at its end.
class ScratchMount {
 public:
  ScratchMount(const fs::path& at, std::uintmax_t bytes) : at_(at) {
    fs::create_directories(at);
    const std::string options = "size=" + std::to_string(bytes);
    mounted_ = mount("tmpfs", at.c_str(), "tmpfs", 0, options.c_str()) == 0;
  }
  ~ScratchMount() {
    if (mounted_) umount2(at_.c_str(), MNT_DETACH);
  }
  ScratchMount(const ScratchMount&) = delete;
  ScratchMount& operator=(const ScratchMount&) = delete;

  bool Mounted() const { return mounted_; }
  bool Grow(std::uintmax_t bytes) {
    const std::string options = "size=" + std::to_string(bytes);
    return mount("tmpfs", at_.c_str(), "tmpfs", MS_REMOUNT, options.c_str()) == 0;
  }

 private:
  fs::path at_;
  bool mounted_ = false;
};

TEST_F(InstallTrust, TwoLaunchersStartedTogetherInOneFolderMakeOneWindowAndOneDownload) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  Process first = Launch({}, "first.out");
  std::this_thread::sleep_for(50ms);
  Process second = Launch({}, "second.out");

  // One of the two leaves at once, as a second start does; the other installs.
  ASSERT_TRUE(WaitUntil([&] { return !first.Running() || !second.Running(); }, 30s));
  const bool firstLeft = !first.Running();
  Process& stayed = firstLeft ? second : first;
  Process& left = firstLeft ? first : second;
  EXPECT_EQ(left.WaitExit(0ms), std::optional<int>(0));
  EXPECT_EQ(LauncherOutput(firstLeft ? "first.out" : "second.out").find("LOG_"), std::string::npos);
  unsigned long window = WaitForWindow(kTitle);
  ASSERT_NE(window, 0u) << LauncherOutput("first.out") << LauncherOutput("second.out");
  ASSERT_TRUE(WaitForEvent("decode_end"));
  EXPECT_TRUE(WaitUntil([&] { return LogHas("7z decode end2"); }, 10s));
  EXPECT_EQ(x_.ViewableWindows(kTitle).size(), 1u);
  EXPECT_TRUE(stayed.Running());

  const auto downloads = Record("download");
  ASSERT_EQ(downloads.size(), 1u);
  EXPECT_EQ(downloads[0]["complete"], true);
  EXPECT_EQ(ReadFile(install_ / "cvl" / kPackageName), ReadFile(server_dir_ / kPackageName));
  const auto types = EventTypes();
  EXPECT_EQ(std::count(types.begin(), types.end(), "launch_start"), 1);
  const auto lines = LogLines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const LogLine& l) { return l.text.rfind("work:", 0) == 0; }),
            1);

  ASSERT_TRUE(PressKey(window, "Escape"));
  EXPECT_EQ(stayed.WaitExit(15s), std::optional<int>(0));
}

// The package cannot be written: the player is told, can close, and the next start downloads.
class PackageNotWritten : public InstallTrust {
 protected:
  void ToldThenInstalledAfter(const std::function<void()>& mend) {
    // A package larger than the room a full disk leaves; the next start gets the usual one.
    ASSERT_NO_FATAL_FAILURE(StartServer({"--filler-bytes", "2000000"}));
    Process launcher = Launch({});
    unsigned long window = WaitForWindow(kTitle);
    ASSERT_NE(window, 0u) << LauncherOutput();
    ASSERT_NO_FATAL_FAILURE(ExpectDownloadErrorBoxThenClose(launcher, window));
    EXPECT_NE(LauncherOutput().find("download CURLcode:23\n"), std::string::npos) << LauncherOutput();
    ASSERT_NO_FATAL_FAILURE(mend());
    ASSERT_NO_FATAL_FAILURE(ExpectNextStartInstalls());
  }
};

TEST_F(PackageNotWritten, AFullDisk) {
  // Room for the plug-in, the lock and the first log lines, not for the package.
  ScratchMount data(install_ / "cvl", fs::file_size(CVL_TEST_PLUGIN) + (256 << 10));
  if (!data.Mounted()) GTEST_SKIP() << "a full disk needs a small tmpfs, and only root may mount one here";
  ToldThenInstalledAfter([&] { ASSERT_TRUE(data.Grow(64 << 20)); });
}

TEST_F(PackageNotWritten, ALinkAtThePackageFile) {
  const fs::path outside = dir_ / "outside.txt";
  std::ofstream(outside) << "not the launcher's";
  fs::create_directories(install_ / "cvl");
  fs::create_symlink(outside, install_ / "cvl" / kPackageName);
  ToldThenInstalledAfter([&] {
    EXPECT_EQ(ReadFile(outside), "not the launcher's") << "the download wrote through the link";
    fs::remove(install_ / "cvl" / kPackageName);
  });
}

// Killed in the middle of unpacking, the launcher leaves a folder that the next start recognises
// as not installed, and installs completely.
TEST_F(InstallTrust, AKillDuringUnpackingIsFollowedByACompleteInstall) {
  // Many small items, so that the unpacking lasts long enough to be caught half way.
  constexpr int kItems = 4000;
  const fs::path tree = dir_ / "tree";
  fs::create_directories(tree / "data");
  std::ofstream(tree / "cvlclient") << "#!/bin/sh\n";
  fs::permissions(tree / "cvlclient", fs::perms::owner_all, fs::perm_options::add);
  for (int i = 0; i < kItems; ++i) {
    std::ofstream(tree / "data" / ("item" + std::to_string(i) + ".txt")) << "item " << i << "\n";
  }
  const fs::path package = dir_ / kPackageName;
  const std::string command =
      "cd '" + tree.string() + "' && 7z a -t7z -bd -y '" + package.string() + "' . >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::vector<std::string> serve = {"--package", package.string()};
  const auto completeItems = [&] {
    int complete = 0;
    for (int i = 0; i < kItems; ++i) {
      const std::string name = "item" + std::to_string(i) + ".txt";
      complete += ReadFile(game_ / "data" / name) == "item " + std::to_string(i) + "\n";
    }
    return complete;
  };

  ASSERT_NO_FATAL_FAILURE(StartServer(serve));
  {
    Process launcher = Launch({});
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(game_ / "data"); }, 60s, 2ms)) << LauncherOutput();
    kill(launcher.Pid(), SIGKILL);
    EXPECT_EQ(launcher.WaitExit(10s), std::optional<int>(128 + SIGKILL));
  }
  if (completeItems() == kItems && fs::exists(game_ / "cvlclient")) {
    GTEST_SKIP() << "the unpacking ended before the kill reached it";
  }

  ASSERT_NO_FATAL_FAILURE(StartServer(serve));
  Process next = Launch({}, "next.out");
  unsigned long window = WaitForWindow(kTitle);
  ASSERT_NE(window, 0u) << LauncherOutput("next.out");
  ASSERT_TRUE(WaitForEvent("decode_end")) << "the next start did not install again";
  EXPECT_TRUE(WaitUntil([&] { return LogHas("7z decode end2"); }, 10s));
  EXPECT_EQ(ReadFile(game_ / "cvlclient"), "#!/bin/sh\n");
  EXPECT_EQ(completeItems(), kItems);
  ASSERT_TRUE(PressKey(window, "Escape"));
  EXPECT_EQ(next.WaitExit(15s), std::optional<int>(0)) << LauncherOutput("next.out");
}

}  // namespace
}  // namespace e2e
