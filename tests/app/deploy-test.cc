#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <optional>
#include <sstream>

#include <gtest/gtest.h>

#include "app/deploy-files.h"
#include "app/krn-launch.h"
#include "platform/desktop.h"
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

// desktop-file-validate's verdict on the entry at `path`: success, or its complaints.
::testing::AssertionResult ValidEntry(const fs::path& path) {
  const fs::path report = fs::path(path.string() + ".validate");
  const std::string command = "desktop-file-validate '" + path.string() + "' > '" + report.string() + "' 2>&1";
  const int status = std::system(command.c_str());
  const std::string said = ReadFile(report);
  fs::remove(report);
  if (status == 0 && said.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << path << " (desktop-file-validate from desktop-file-utils, status " << status
                                       << "):\n" << ReadFile(path) << said;
}

// The value of `key` in the entry's text, or nothing.
std::optional<std::string> EntryValue(const std::string& entry, const std::string& key) {
  std::istringstream lines(entry);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with(key + "=")) return line.substr(key.size() + 1);
  }
  return std::nullopt;
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
    sandbox_.Set("XDG_DATA_HOME", data_.string());
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
  const fs::path data_ = sandbox_.home() / ".local/share";
  const fs::path menu_entry_ = data_ / "applications/io.corvela.Launcher.desktop";
  const fs::path icon_ = data_ / "icons/hicolor/64x64/apps/corvela.png";
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
  // The menu gets the same entry; both pass the format's validator, and their icon is the
  // launcher's own, installed under the name they give it.
  EXPECT_EQ(ReadFile(menu_entry_), ReadFile(link_));
  EXPECT_TRUE(ValidEntry(menu_entry_));
  EXPECT_TRUE(ValidEntry(link_));
  const std::optional<std::string> icon_name = EntryValue(ReadFile(menu_entry_), "Icon");
  ASSERT_TRUE(icon_name);
  EXPECT_EQ(ReadFile(data_ / "icons/hicolor/64x64/apps" / (*icon_name + ".png")), ReadFile(fs::path(CVL_RESOURCE_ART_DIR) / "cvl_160.png"));
  EXPECT_EQ(EntryValue(ReadFile(menu_entry_), "StartupWMClass"), "Corvela");
  // The folders it made in the data home are the user's alone.
  for (const fs::path& made : {data_, data_ / "applications", data_ / "icons/hicolor/64x64/apps"}) {
    EXPECT_EQ(Permissions(made), 0700u) << made;
  }
  // Nothing temporary is left beside the files.
  for (const fs::path& folder : {sandbox_.work(), sandbox_.work() / "cvl", desktop_, menu_entry_.parent_path(),
                                 icon_.parent_path()}) {
    for (const auto& entry : fs::directory_iterator(folder)) {
      EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
    }
  }

  const auto times = [&] {
    return std::vector{fs::last_write_time(plugin_), fs::last_write_time(uninstaller_), fs::last_write_time(link_),
                       fs::last_write_time(menu_entry_), fs::last_write_time(icon_)};
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

TEST_F(Deployment, MenuEntryAndIconAreWrittenBesideAnyDesktopButNeverOverAFile) {
  // Another program's, or an older launcher's: left alone, the missing icon still comes.
  WriteFile(menu_entry_, "the player's own entry");
  ::chmod(data_.c_str(), 0755);
  EXPECT_TRUE(app_.DeployFiles());
  EXPECT_EQ(ReadFile(menu_entry_), "the player's own entry");
  EXPECT_EQ(ReadFile(icon_), ReadFile(fs::path(CVL_RESOURCE_ART_DIR) / "cvl_160.png"));
  EXPECT_EQ(Permissions(data_), 0755u) << "a folder that was there keeps its permissions";
  EXPECT_TRUE(LoggedTimes(ShortcutLine(link_), 1));

  // The desktop entry there, the menu's missing: the plug-in's step writes the menu's alone.
  fs::remove(menu_entry_);
  fs::remove(plugin_);
  WriteFile(icon_, "the player's own icon");
  EXPECT_TRUE(app_.DeployFiles());
  EXPECT_TRUE(ValidEntry(menu_entry_));
  EXPECT_EQ(ReadFile(icon_), "the player's own icon");
  EXPECT_TRUE(LoggedTimes(ShortcutLine(link_), 1));
}

TEST_F(Deployment, AMenuThatCannotBeWrittenIsLoggedAndTheRestGoesOn) {
  const fs::path file = sandbox_.root() / "data-file";
  const fs::path gone = sandbox_.root() / "gone";
  WriteFile(file, "not a folder");
  const struct {
    const char* what;
    const char* variable;
    fs::path value, data;
  } kCases[] = {
      {"a file where the data home would be", "XDG_DATA_HOME", file, file},
      // The default data home below a home that is not there: the home is not made.
      {"a home that is not there", "HOME", gone, gone / ".local/share"},
  };
  for (const auto& c : kCases) {
    fs::remove_all(sandbox_.work() / "cvl");
    sandbox_.Set("XDG_DATA_HOME", std::nullopt);
    sandbox_.Set(c.variable, c.value.string());
    EXPECT_TRUE(app_.DeployFiles()) << c.what;
    EXPECT_TRUE(fs::exists(plugin_)) << c.what;
    EXPECT_TRUE(LoggedTimes("icon not written:" + (c.data / "icons/hicolor/64x64/apps/corvela.png").string() + "\r\n", 1)) << c.what;
    EXPECT_TRUE(LoggedTimes("menu entry not written:" + (c.data / "applications/io.corvela.Launcher.desktop").string() + "\r\n", 1)) << c.what;
  }
  EXPECT_EQ(ReadFile(file), "not a folder");
  EXPECT_FALSE(fs::exists(gone));
  // The shortcut step went on to the desktop.
  EXPECT_TRUE(fs::exists(link_));
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
  testing_support::TempDir folder;
  for (const Case& c : cases) {
    const std::string entry = DesktopEntryText(c.launcher, c.directory);
    EXPECT_EQ(entry,
              "[Desktop Entry]\nType=Application\nName=Corvela\n"
              "Comment=Install and play the online game Corvela\nExec=" + c.exec + "\nPath=" + c.path +
                  "\nIcon=corvela\nTerminal=false\nCategories=Game;\nStartupWMClass=Corvela\n")
        << c.launcher;
    // A working directory is absolute; the validator rightly warns of the one row that is not.
    if (!c.directory.starts_with('/')) continue;
    WriteFile(folder.path() / "corvela.desktop", entry);
    EXPECT_TRUE(ValidEntry(folder.path() / "corvela.desktop")) << c.launcher;
  }
}

}  // namespace
