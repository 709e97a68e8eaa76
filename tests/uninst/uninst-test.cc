#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "registry/sandbox.h"
#include "uninst/delete-script.h"
#include "uninst/uninstall.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using platform::RegistryKey;
using platform::RegistryRoot;
using testing_sandbox::ReadFile;
using testing_sandbox::Sandbox;
using testing_sandbox::WaitUntil;
using testing_sandbox::WriteFile;

constexpr char kTextA[] =
    "#!/bin/sh\n"
    "sleep 1\n"
    " \n"
    "find ./cvl ! -type d -exec rm -f -- {} +\n"
    "rm -r -f -- ./cvl\n"
    "find . -name cvl_qx ! -type d -exec rm -f -- {} +\n"
    "find . -name uninst ! -type d -exec rm -f -- {} +\n"
    "find '/home/p/Desk' -name Corvela.desktop ! -type d -exec rm -f -- {} +\n"
    "rm -f -- \"$0\"";

constexpr char kTextB[] =
    "#!/bin/sh\n"
    "sleep 2\n"
    "find ./cvl ! -type d -exec rm -f -- {} +\n"
    "rm -r -f -- ./cvl\n"
    "find . -name cvl_qx ! -type d -exec rm -f -- {} +\n"
    "find . -name uninst ! -type d -exec rm -f -- {} +\n"
    "find \"$HOME/Desktop\" -name Corvela.desktop ! -type d -exec rm -f -- {} +\n"
    "rm -f -- \"$0\"";

TEST(DeleteScriptText, TextAWithTheDesktopTextBWithHomeLeftToTheShell) {
  EXPECT_EQ(uninst::DeleteScriptText("/home/p/Desk"), kTextA);
  EXPECT_EQ(uninst::DeleteScriptText(std::nullopt), kTextB);
}

TEST(DeleteScriptText, TheDesktopPathIsTakenVerbatim) {
  // Quotes, a variable and a percent sign stay what they are; a relative folder cannot pose as
  // an option of find.
  const std::string script = uninst::DeleteScriptText("/home/it's $HOME %USERPROFILE%");
  EXPECT_NE(script.find("\nfind '/home/it'\\''s $HOME %USERPROFILE%' -name Corvela.desktop "), std::string::npos)
      << script;
  EXPECT_NE(uninst::DeleteScriptText("-delete").find("\nfind './-delete' -name"), std::string::npos);
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
  }

  // Runs the installed uninstaller and returns its exit code.
  int RunUninstaller() {
    const std::string program = (sandbox_.work() / "uninst").string();
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("ignored"), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0) return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  void ExpectRemoved(const fs::path& desktop) {
    const fs::path script = sandbox_.work() / "DeleteBat.sh";
    ASSERT_TRUE(WaitUntil([&] { return !fs::exists(script); })) << "the script never ended";
    for (const char* gone : {"cvl", "cvl_qx", "uninst", "game/bin/cvl_qx"}) {
      EXPECT_FALSE(fs::exists(sandbox_.work() / gone)) << gone;
    }
    EXPECT_FALSE(fs::exists(desktop / "Corvela.desktop"));
    EXPECT_FALSE(fs::exists(desktop / "folder/Corvela.desktop"));
    for (const fs::path& kept : {sandbox_.work() / "game/keep.dat", sandbox_.work() / "cvl_qx.txt",
                                 desktop / "Other.desktop", sandbox_.work() / "game/bin"}) {
      EXPECT_TRUE(fs::exists(kept)) << kept;
    }
  }

  Sandbox sandbox_;
};

TEST_F(UninstallerRun, RemovesKeyAndInstallationWithTheConfiguredDesktop) {
  const fs::path desktop = sandbox_.home() / "My Desk's";
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
  EXPECT_EQ(ReadFile(sandbox_.work() / "DeleteBat.sh"), uninst::DeleteScriptText(desktop.string()));
  EXPECT_TRUE(fs::exists(sandbox_.work() / "cvl_qx"));

  ExpectRemoved(desktop);
}

TEST_F(UninstallerRun, WithoutADesktopEntryTheShellFindsHomeDesktop) {
  // No user-dirs.dirs and no uninstall key at all: neither stops the run.
  const fs::path desktop = sandbox_.home() / "Desktop";
  Install(desktop);

  EXPECT_EQ(RunUninstaller(), 255);
  EXPECT_EQ(ReadFile(sandbox_.work() / "DeleteBat.sh"), kTextB);

  ExpectRemoved(desktop);
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
  EXPECT_EQ(ReadFile(sandbox_.work() / "DeleteBat.sh"), kTextB);
}

}  // namespace
