#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <optional>

#include <gtest/gtest.h>

#include "app/deploy-files.h"
#include "app/krn-launch.h"
#include "platform/process-paths.h"
#include "platform/resources.h"
#include "platform/shortcut-posix.h"
#include "support/files.h"
#include "support/sandbox.h"
#include "support/temp-dir.h"
#include "support/wait.h"
#include "util/cvlog/main-logger.h"

namespace {

namespace fs = std::filesystem;
using platform::DesktopEntryText;
using testing_support::ReadFile;
using testing_sandbox::Sandbox;
using testing_support::WriteFile;

std::string Bytes(std::span<const unsigned char> bytes) { return std::string(bytes.begin(), bytes.end()); }

mode_t Permissions(const fs::path& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info.st_mode & 07777;
}

TEST(EmbeddedResources, AreTheBytesOfTheFilesTheBuildTook) {
  auto plugin = platform::FindResource("DLL", 141);
  ASSERT_TRUE(plugin);
  EXPECT_EQ(Bytes(*plugin), ReadFile(CVL_SEVENZIP_PLUGIN));
  auto uninstaller = platform::FindResource("EXE", 162);
  ASSERT_TRUE(uninstaller);
  EXPECT_EQ(Bytes(*uninstaller), ReadFile(CVL_UNINST_PROGRAM));

  ASSERT_TRUE(fs::is_directory(CVL_RESOURCE_ART_DIR)) << CVL_RESOURCE_ART_DIR;
  const std::pair<const char*, int> art[] = {{"PNG", 131}, {"PNG", 137}, {"PNG", 155}, {"ICON", 160}};
  for (const auto& [type, id] : art) {
    const fs::path file = fs::path(CVL_RESOURCE_ART_DIR) / ("cvl_" + std::to_string(id) + ".png");
    auto picture = platform::FindResource(type, id);
    // Every picture is part of the launcher: a build that lacks one must not pass.
    ASSERT_TRUE(picture) << type << " " << id;
    EXPECT_TRUE(Bytes(*picture).starts_with("\x89PNG\r\n\x1a\n")) << type << " " << id;
    EXPECT_EQ(Bytes(*picture), ReadFile(file)) << id;
  }

  EXPECT_FALSE(platform::FindResource("DLL", 162));
  EXPECT_FALSE(platform::FindResource("PNG", 160));
  EXPECT_FALSE(platform::FindResource("dll", 141));
  EXPECT_FALSE(platform::FindResource("", 0));
}

// The "Main" logger writes into a folder of its own for the whole test program, so that the
// tests can read what was logged. It is started once: the tests only add lines.
class LoggingEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    folder_.emplace();
    cvlog::ILogManager* manager = cvlog::Instance();
    const std::string config = "[Main]\npath = " + folder_->folder() + "name=deploy\ndisplay = 0\nfileline = 0\n";
    ASSERT_TRUE(manager->ConfigFromText(config.c_str()));
    cvlog::g_nLogId = manager->LookupLogger("Main");
    ASSERT_TRUE(manager->Start());
  }
  void TearDown() override {
    cvlog::Instance()->Stop();
    folder_.reset();
  }

  static std::string Logged() {
    std::string text;
    for (const auto& file : fs::recursive_directory_iterator(folder_->path())) {
      if (file.is_regular_file()) text += ReadFile(file.path());
    }
    return text;
  }

 private:
  static inline std::optional<testing_support::TempDir> folder_;
};

[[maybe_unused]] ::testing::Environment* const kLogging = ::testing::AddGlobalTestEnvironment(new LoggingEnvironment);

size_t Count(const std::string& text, const std::string& piece) {
  size_t count = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
  return count;
}

// Waits for the writer thread to put `piece` into the log `times` times.
::testing::AssertionResult LoggedTimes(const std::string& piece, size_t times) {
  std::string logged;
  if (testing_support::WaitUntil([&] { return Count(logged = LoggingEnvironment::Logged(), piece) >= times; },
                                 std::chrono::seconds(5)) &&
      Count(logged, piece) == times) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "wanted " << times << " times: " << piece << "\nlog:\n" << logged;
}

// Deployment in an empty current folder with the desktop at $HOME/Desktop. The source text is
// the test's name, which tells its log lines from those of the tests before it.
class Deployment : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(desktop_);
    app_.m_strFrom = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  }

  std::string ShortcutLine(const fs::path& link) const {
    return "Source:" + app_.m_strFrom + ",wszPathLink:" + link.string() + "\r\n";
  }
  static std::uint64_t Pushed() { return cvlog::Instance()->TotalPushCount(); }

  Sandbox sandbox_;
  const fs::path desktop_ = sandbox_.home() / "Desktop";
  const fs::path link_ = desktop_ / "Corvela.desktop";
  const fs::path plugin_ = sandbox_.work() / "cvl/7za.so";
  const fs::path uninstaller_ = sandbox_.work() / "uninst";
  CKRNLaunchApp app_;
};

TEST_F(Deployment, FirstRunWritesEverythingAndASecondRunNothing) {
  ASSERT_FALSE(fs::exists(sandbox_.work() / "cvl"));
  EXPECT_TRUE(app_.DeployFiles());

  EXPECT_EQ(ReadFile(plugin_), ReadFile(CVL_SEVENZIP_PLUGIN));
  EXPECT_EQ(ReadFile(uninstaller_), ReadFile(CVL_UNINST_PROGRAM));
  EXPECT_EQ(Permissions(uninstaller_) & 0111, 0111u);
  EXPECT_EQ(Permissions(plugin_) & 0111, 0u);
  EXPECT_EQ(ReadFile(link_), DesktopEntryText(platform::ExecutablePath(), sandbox_.work().string()));
  EXPECT_EQ(Permissions(link_) & 0755, 0755u);
  EXPECT_TRUE(LoggedTimes(ShortcutLine(link_), 1));
  // Nothing temporary is left beside the files.
  for (const fs::path& folder : {sandbox_.work(), sandbox_.work() / "cvl", desktop_}) {
    for (const auto& entry : fs::directory_iterator(folder)) {
      EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
    }
  }

  const auto times = [&] {
    return std::vector{fs::last_write_time(plugin_), fs::last_write_time(uninstaller_), fs::last_write_time(link_)};
  };
  const auto before = times();
  const std::uint64_t pushed = Pushed();
  EXPECT_TRUE(app_.DeployFiles());
  EXPECT_EQ(times(), before);
  EXPECT_EQ(Pushed(), pushed);
}

TEST_F(Deployment, EachMissingFileIsWrittenAgainButTheShortcutOnlyWithThePlugin) {
  ASSERT_TRUE(app_.DeployFiles());
  WriteFile(link_, "the player's own entry");
  const std::uint64_t pushed = Pushed();

  // Plug-in gone, shortcut present: the plug-in comes back, the shortcut is left and nothing logged.
  fs::remove(plugin_);
  EXPECT_TRUE(app_.DeployFiles());
  EXPECT_EQ(ReadFile(plugin_), ReadFile(CVL_SEVENZIP_PLUGIN));
  EXPECT_EQ(ReadFile(link_), "the player's own entry");

  // Shortcut gone, plug-in present: no new shortcut.
  fs::remove(link_);
  EXPECT_TRUE(app_.DeployFiles());
  EXPECT_FALSE(fs::exists(link_));

  // Uninstaller gone: it comes back without a shortcut step.
  fs::remove(uninstaller_);
  EXPECT_TRUE(app_.DeployFiles());
  EXPECT_EQ(ReadFile(uninstaller_), ReadFile(CVL_UNINST_PROGRAM));
  EXPECT_FALSE(fs::exists(link_));
  EXPECT_EQ(Pushed(), pushed);

  // Both gone: the shortcut step runs again with the plug-in.
  fs::remove_all(sandbox_.work() / "cvl");
  EXPECT_TRUE(app_.DeployFiles());
  EXPECT_TRUE(fs::exists(plugin_));
  EXPECT_TRUE(fs::exists(link_));
  EXPECT_TRUE(LoggedTimes(ShortcutLine(link_), 2));
}

TEST_F(Deployment, ExistingFilesAreNeverReplaced) {
  fs::create_directories(sandbox_.work() / "cvl");
  WriteFile(plugin_, "an older plug-in");
  WriteFile(uninstaller_, "an older uninstaller");
  EXPECT_TRUE(app_.DeployFiles());
  EXPECT_EQ(ReadFile(plugin_), "an older plug-in");
  EXPECT_EQ(ReadFile(uninstaller_), "an older uninstaller");

  // A link that leads nowhere is something at that path too.
  fs::remove(plugin_);
  fs::create_symlink(sandbox_.root() / "nowhere", plugin_);
  WriteFile(link_, "old entry");
  EXPECT_TRUE(app_.DeployFiles());
  EXPECT_TRUE(fs::is_symlink(plugin_));
  EXPECT_FALSE(fs::exists(sandbox_.root() / "nowhere"));
  EXPECT_EQ(ReadFile(link_), "old entry");
}

TEST_F(Deployment, ShortcutGoesToTheConfiguredDesktopAndNeverMakesTheFolder) {
  fs::create_directories(sandbox_.home() / ".config");
  WriteFile(sandbox_.home() / ".config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n");
  EXPECT_TRUE(app_.DeployFiles());
  // The line is logged before the attempt, which fails for want of the folder.
  const fs::path wanted = sandbox_.home() / "Bureau/Corvela.desktop";
  EXPECT_TRUE(LoggedTimes(ShortcutLine(wanted), 1));
  EXPECT_FALSE(fs::exists(sandbox_.home() / "Bureau"));
  EXPECT_FALSE(fs::exists(link_));
  EXPECT_TRUE(fs::exists(plugin_));

  fs::remove(plugin_);
  fs::create_directories(sandbox_.home() / "Bureau");
  EXPECT_TRUE(app_.DeployFiles());
  EXPECT_EQ(ReadFile(wanted), DesktopEntryText(platform::ExecutablePath(), sandbox_.work().string()));
}

TEST_F(Deployment, APathWhoseStateCannotBeReadCountsAsMissing) {
  // A loop of links on the way (ELOOP) stands for every reason, a folder without search
  // permission among them.
  fs::create_symlink("cvl", sandbox_.work() / "cvl");
  EXPECT_TRUE(app_.DeployFiles());
  // The plug-in step ran: its write failed, and the shortcut step followed it.
  EXPECT_TRUE(fs::is_symlink(sandbox_.work() / "cvl"));
  EXPECT_EQ(ReadFile(link_), DesktopEntryText(platform::ExecutablePath(), sandbox_.work().string()));
  EXPECT_TRUE(LoggedTimes(ShortcutLine(link_), 1));

  // The shortcut's own test: behind a desktop folder that is a loop it is logged and tried.
  fs::remove(sandbox_.work() / "cvl");
  fs::remove_all(desktop_);
  fs::create_symlink("Desktop", desktop_);
  EXPECT_TRUE(app_.DeployFiles());
  EXPECT_TRUE(fs::exists(plugin_));
  EXPECT_TRUE(LoggedTimes(ShortcutLine(link_), 2));
  EXPECT_TRUE(fs::is_symlink(desktop_));
}

TEST_F(Deployment, AFailedWriteLeavesNoFileBehind) {
  // The data folder's place is taken by a file: the plug-in cannot be written, and start-up goes on.
  WriteFile(sandbox_.work() / "cvl", "not a folder");
  EXPECT_TRUE(app_.DeployFiles());
  EXPECT_EQ(ReadFile(sandbox_.work() / "cvl"), "not a folder");
  EXPECT_TRUE(fs::exists(uninstaller_));
  // The shortcut step still follows the failed write.
  EXPECT_TRUE(fs::exists(link_));

  EXPECT_FALSE(WriteResourceToFile(L"./missing-folder/7za.so", 141, L"DLL"));
  EXPECT_FALSE(WriteResourceToFile(L"./none", 999, L"DLL"));
  EXPECT_FALSE(fs::exists("./none"));
  fs::create_directory("./a-folder");
  EXPECT_FALSE(WriteResourceToFile(L"./a-folder", 141, L"DLL"));
  EXPECT_TRUE(fs::is_directory("./a-folder"));

  // A write cut short (the file size limit stands in for a full disk) leaves neither a partial
  // target nor the temporary file.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 64 * 1024;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = WriteResourceToFile(L"./short.so", 141, L"DLL");
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(written);
  for (const auto& entry : fs::directory_iterator(sandbox_.work())) {
    EXPECT_EQ(entry.path().filename().string().find("short"), std::string::npos) << entry.path();
  }

  // Called directly it replaces what is there, as its callers expect.
  WriteFile("./replace.so", "old");
  EXPECT_TRUE(WriteResourceToFile(L"./replace.so", 141, L"DLL"));
  EXPECT_EQ(ReadFile("./replace.so"), ReadFile(CVL_SEVENZIP_PLUGIN));
}

TEST(DesktopEntryText, QuotesAndEscapesAsTheFormatRequires) {
  struct Case {
    std::string launcher, directory, exec, path;
  };
  const Case cases[] = {
      {"/opt/cvl/cvl_qx", "/opt/cvl", "\"/opt/cvl/cvl_qx\"", "/opt/cvl"},
      {"/my games/cvl_qx", "/my games", "\"/my games/cvl_qx\"", "/my games"},
      // Inside the quotes " ` $ \ take a backslash, which the string escape then doubles.
      {"/a\"b`c$d\\e/cvl_qx", "/a\\b", "\"/a\\\\\"b\\\\`c\\\\$d\\\\\\\\e/cvl_qx\"", "/a\\\\b"},
      {"/100%/cvl_qx", "/100%", "\"/100%%/cvl_qx\"", "/100%"},
      {"/x\ny/cvl_qx", " /lead\tin", "\"/x\\ny/cvl_qx\"", "\\s/lead\\tin"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DesktopEntryText(c.launcher, c.directory),
              "[Desktop Entry]\nType=Application\nName=Corvela\nExec=" + c.exec + "\nPath=" + c.path + "\n")
        << c.launcher;
  }
}

}  // namespace
