#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <vector>

#include "platform/registry.h"
#include "support/files.h"
#include "support/sandbox.h"
#include "support/wait.h"
#include "uninst/delete-script.h"
#include "uninst/uninstall.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using platform::RegistryKey;
using platform::RegistryRoot;
using testing_support::ReadFile;
using testing_sandbox::Sandbox;
using testing_support::WaitUntil;
using testing_support::WriteFile;

constexpr char kTextA[] =
    "#!/bin/sh\n"
    "sleep 1\n"
    " \n"
    "find ./cvl ! -type d -exec rm -f -- {} +\n"
    "rm -r -f -- ./cvl\n"
    "find . -name cvl_qx ! -type d -exec rm -f -- {} +\n"
    "find . -name uninst ! -type d -exec rm -f -- {} +\n"
    "rm -f -- '/home/p/Desk/Corvela.desktop'\n"
    "rm -f -- '/home/p/.local/share/applications/io.corvela.Launcher.desktop'\n"
    "rm -f -- '/home/p/.local/share/icons/hicolor/64x64/apps/corvela.png'\n"
    "rm -f -- \"$0\"";

constexpr char kTextB[] =
    "#!/bin/sh\n"
    "sleep 2\n"
    "find ./cvl ! -type d -exec rm -f -- {} +\n"
    "rm -r -f -- ./cvl\n"
    "find . -name cvl_qx ! -type d -exec rm -f -- {} +\n"
    "find . -name uninst ! -type d -exec rm -f -- {} +\n"
    "rm -f -- \"$HOME/Desktop/Corvela.desktop\"\n"
    "rm -f -- '/home/p/.local/share/applications/io.corvela.Launcher.desktop'\n"
    "rm -f -- '/home/p/.local/share/icons/hicolor/64x64/apps/corvela.png'\n"
    "rm -f -- \"$0\"";

const std::vector<std::string> kMenuFiles = {"/home/p/.local/share/applications/io.corvela.Launcher.desktop",
                                             "/home/p/.local/share/icons/hicolor/64x64/apps/corvela.png"};

TEST(DeleteScriptText, TextAWithTheDesktopTextBWithHomeLeftToTheShell) {
  EXPECT_EQ(uninst::DeleteScriptText("/home/p/Desk", kMenuFiles), kTextA);
  EXPECT_EQ(uninst::DeleteScriptText(std::nullopt, kMenuFiles), kTextB);
}

TEST(DeleteScriptText, TheDesktopPathIsTakenVerbatim) {
  // Quotes, a variable and a percent sign stay what they are; a relative folder cannot pose as
  // an option of rm.
  const std::string script = uninst::DeleteScriptText("/home/it's $HOME %USERPROFILE%", {"/d/it's $HOME/x.png"});
  EXPECT_NE(script.find("\nrm -f -- '/home/it'\\''s $HOME %USERPROFILE%/Corvela.desktop'\n"), std::string::npos)
      << script;
  EXPECT_NE(script.find("\nrm -f -- '/d/it'\\''s $HOME/x.png'\n"), std::string::npos) << script;
  EXPECT_NE(uninst::DeleteScriptText("-rf", {}).find("\nrm -f -- '-rf/Corvela.desktop'\n"), std::string::npos);
}

// An installation as the launcher leaves it, with bystanders the script must not touch.
class UninstallerRun : public ::testing::Test {
 protected:
  void Install(const fs::path& desktop) {
    fs::create_directories(sandbox_.work() / "cvl/logs");
    fs::create_directories(sandbox_.work() / "game/bin");
    fs::create_directories(desktop / "folder");
    WriteFile(sandbox_.work() / "cvl/7za.so", "plug-in");
    WriteFile(sandbox_.work() / "cvl/logs/cvl_qx_Main.log", "log");
    WriteFile(sandbox_.work() / "cvl_qx", "launcher");
    WriteFile(sandbox_.work() / "game/bin/cvl_qx", "a copy below");
    WriteFile(sandbox_.work() / "game/keep.dat", "game data");
    WriteFile(sandbox_.work() / "cvl_qx.txt", "similar name");
    fs::copy_file(CVL_UNINST_PROGRAM, sandbox_.work() / "uninst");
    WriteFile(desktop / "Corvela.desktop", "[Desktop Entry]\n");
    WriteFile(desktop / "folder/Corvela.desktop", "[Desktop Entry]\n");
    WriteFile(desktop / "Other.desktop", "[Desktop Entry]\n");
    WriteFile(data() / "applications/io.corvela.Launcher.desktop", "[Desktop Entry]\n");
    WriteFile(data() / "applications/other.desktop", "[Desktop Entry]\n");
    WriteFile(data() / "icons/hicolor/64x64/apps/corvela.png", "icon");
    WriteFile(data() / "icons/hicolor/64x64/apps/other.png", "icon");
  }
  // The data home the uninstaller sees: $XDG_DATA_HOME when a case sets it, else the default.
  fs::path data() const {
    const char* set = std::getenv("XDG_DATA_HOME");
    return set ? fs::path(set) : sandbox_.home() / ".local/share";
  }
  // The script the uninstaller writes here, its menu files those of the sandbox's data home.
  std::string ScriptText(const std::optional<std::string>& desktop) const {
    return uninst::DeleteScriptText(
        desktop, {(data() / "applications/io.corvela.Launcher.desktop").string(), (data() / "icons/hicolor/64x64/apps/corvela.png").string()});
  }

  // Runs the uninstaller copied into `folder` there; its standard error goes to errors().
  int RunUninstaller(const fs::path& folder) {
    const std::string program = (folder / "uninst").string();
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("ignored"), nullptr};
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    ::posix_spawn_file_actions_addopen(&actions, 2, errors().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  int RunUninstaller() { return RunUninstaller(sandbox_.work()); }
  fs::path errors() const { return sandbox_.root() / "uninst-errors"; }

  void ExpectRemoved(const fs::path& desktop) {
    const fs::path script = sandbox_.work() / "DeleteBat.sh";
    ASSERT_TRUE(WaitUntil([&] { return !fs::exists(script); })) << "the script never ended";
    for (const char* gone : {"cvl", "cvl_qx", "uninst", "game/bin/cvl_qx"}) {
      EXPECT_FALSE(fs::exists(sandbox_.work() / gone)) << gone;
    }
    EXPECT_FALSE(fs::exists(desktop / "Corvela.desktop"));
    EXPECT_FALSE(fs::exists(data() / "applications/io.corvela.Launcher.desktop"));
    EXPECT_FALSE(fs::exists(data() / "icons/hicolor/64x64/apps/corvela.png"));
    // Only the desktop's own entry: one of that name in a folder below is the player's.
    for (const fs::path& kept : {sandbox_.work() / "game/keep.dat", sandbox_.work() / "cvl_qx.txt",
                                 desktop / "Other.desktop", desktop / "folder/Corvela.desktop",
                                 sandbox_.work() / "game/bin", data() / "applications/other.desktop",
                                 data() / "icons/hicolor/64x64/apps/other.png"}) {
      EXPECT_TRUE(fs::exists(kept)) << kept;
    }
  }

  Sandbox sandbox_;
};

TEST_F(UninstallerRun, RemovesKeyAndInstallationWithTheConfiguredDesktop) {
  const fs::path desktop = sandbox_.home() / "My Desk's";
  sandbox_.Set("XDG_DATA_HOME", (sandbox_.root() / "data's").string());
  fs::create_directories(sandbox_.home() / ".config");
  WriteFile(sandbox_.home() / ".config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/My Desk's\"\n");
  Install(desktop);
  auto key = RegistryKey::Create(RegistryRoot::CurrentUser, uninst::kUninstallKey);
  ASSERT_TRUE(key && key->SetString("DisplayName", "Corvela"));
  ASSERT_TRUE(RegistryKey::Create(RegistryRoot::CurrentUser, "Software\\Other"));

  EXPECT_EQ(RunUninstaller(), 255);
  // The key is gone before the script has done anything.
  EXPECT_FALSE(RegistryKey::Open(RegistryRoot::CurrentUser, uninst::kUninstallKey));
  EXPECT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\Other"));
  EXPECT_EQ(ReadFile(sandbox_.work() / "DeleteBat.sh"), ScriptText(desktop.string()));
  EXPECT_TRUE(fs::exists(sandbox_.work() / "cvl_qx"));

  ExpectRemoved(desktop);
}

TEST_F(UninstallerRun, WithoutADesktopEntryTheShellFindsHomeDesktop) {
  // No user-dirs.dirs and no uninstall key at all: neither stops the run. Nor does a data home
  // that is not absolute, which the convention says to ignore.
  const fs::path desktop = sandbox_.home() / "Desktop";
  Install(desktop);
  sandbox_.Set("XDG_DATA_HOME", "relative/share");

  EXPECT_EQ(RunUninstaller(), 255);
  sandbox_.Set("XDG_DATA_HOME", std::nullopt);
  EXPECT_EQ(ReadFile(sandbox_.work() / "DeleteBat.sh"), ScriptText(std::nullopt));

  ExpectRemoved(desktop);
}

TEST_F(UninstallerRun, WithTheHomeAsDesktopOnlyItsTopLevelEntryGoes) {
  // What xdg-user-dirs writes when the home has no Desktop folder.
  fs::create_directories(sandbox_.home() / ".config");
  WriteFile(sandbox_.home() / ".config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/\"\n");
  Install(sandbox_.home());
  fs::create_directories(sandbox_.home() / ".local/share/applications");
  WriteFile(sandbox_.home() / ".local/share/applications/Corvela.desktop", "[Desktop Entry]\n");

  EXPECT_EQ(RunUninstaller(), 255);

  ExpectRemoved(sandbox_.home());
  EXPECT_TRUE(fs::exists(sandbox_.home() / ".local/share/applications/Corvela.desktop"));
}

// Every file and folder below `folder`, links not followed.
std::set<std::string> Tree(const fs::path& folder) {
  std::set<std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    tree.insert(fs::relative(entry.path(), folder).string() + (entry.is_symlink() ? "@" : ""));
  }
  return tree;
}

// The script's deletes reach into every folder below: where neither the launcher nor its data
// folder is, the uninstaller leaves everything as it is, its key included, and says so.
TEST_F(UninstallerRun, WorksOnlyWhereTheLauncherOrItsDataFolderIs) {
  fs::create_directories(sandbox_.root() / "outside");
  WriteFile(sandbox_.root() / "outside/keep", "elsewhere");
  // "name/" is a folder, "name@" a link to the folder outside, anything else a file.
  const struct {
    const char* what;
    std::vector<std::string> entries;
    bool installed;
  } kCases[] = {
      {"only the uninstaller", {}, false},
      {"the launcher only in a folder below", {"game/", "game/bin/", "game/bin/cvl_qx", "cvl_qx.txt"}, false},
      {"a folder named like the launcher, a file like the data folder", {"cvl_qx/", "cvl"}, false},
      {"a link in the data folder's place", {"cvl@"}, false},
      {"the launcher alone", {"cvl_qx"}, true},
      {"the data folder alone", {"cvl/", "cvl/logs/"}, true},
  };
  int n = 0;
  for (const auto& c : kCases) {
    const fs::path folder = sandbox_.work() / ("case" + std::to_string(++n));
    fs::create_directories(folder);
    for (const std::string& entry : c.entries) {
      if (entry.ends_with('/')) {
        fs::create_directories(folder / entry);
      } else if (entry.ends_with('@')) {
        fs::create_directory_symlink(sandbox_.root() / "outside", folder / entry.substr(0, entry.size() - 1));
      } else {
        WriteFile(folder / entry, "x");
      }
    }
    fs::copy_file(CVL_UNINST_PROGRAM, folder / "uninst");
    ASSERT_TRUE(RegistryKey::Create(RegistryRoot::CurrentUser, uninst::kUninstallKey));
    const std::set<std::string> before = Tree(folder);

    const int code = RunUninstaller(folder);

    const fs::path script = folder / "DeleteBat.sh";
    if (c.installed) {
      EXPECT_EQ(code, 255) << c.what;
      EXPECT_FALSE(RegistryKey::Open(RegistryRoot::CurrentUser, uninst::kUninstallKey)) << c.what;
      ASSERT_TRUE(WaitUntil([&] { return !fs::exists(script); })) << c.what << ": the script never ended";
      EXPECT_EQ(Tree(folder), std::set<std::string>{}) << c.what;
      continue;
    }
    EXPECT_EQ(code, 1) << c.what;
    const std::string said = ReadFile(errors());
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << c.what << ": " << said;
    EXPECT_TRUE(said.ends_with("\n") && said.find(folder.string()) != std::string::npos) << c.what << ": " << said;
    EXPECT_FALSE(fs::exists(script)) << c.what;
    EXPECT_EQ(Tree(folder), before) << c.what;
    EXPECT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, uninst::kUninstallKey)) << c.what;
  }
  EXPECT_EQ(ReadFile(sandbox_.root() / "outside/keep"), "elsewhere");
}

TEST_F(UninstallerRun, AKeyWithSubkeysStays) {
  ASSERT_TRUE(RegistryKey::Create(RegistryRoot::CurrentUser, std::string(uninst::kUninstallKey) + "\\Sub"));
  uninst::DeleteUninstallKey();
  EXPECT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, uninst::kUninstallKey));
}

TEST_F(UninstallerRun, AScriptPlantedAsALinkIsReplacedNotWrittenThrough) {
  WriteFile(sandbox_.root() / "victim", "untouched");
  fs::create_symlink(sandbox_.root() / "victim", sandbox_.work() / "DeleteBat.sh");
  ASSERT_TRUE(uninst::WriteDeleteScript());
  EXPECT_EQ(ReadFile(sandbox_.root() / "victim"), "untouched");
  EXPECT_FALSE(fs::is_symlink(sandbox_.work() / "DeleteBat.sh"));
  EXPECT_EQ(ReadFile(sandbox_.work() / "DeleteBat.sh"), ScriptText(std::nullopt));
}

}  // namespace
