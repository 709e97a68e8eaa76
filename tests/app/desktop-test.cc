#include "platform/desktop.h"

#include <gtest/gtest.h>

#include "support/files.h"
#include "support/sandbox.h"

namespace {

using testing_sandbox::Sandbox;
using testing_support::WriteFile;

TEST(DesktopFolder, ReadFromUserDirsWithHomeExpanded) {
  Sandbox sandbox;
  const std::string home = sandbox.home().string();
  struct Case {
    const char* file;
    std::optional<std::string> desktop;
  };
  const Case cases[] = {
      {"XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", home + "/Desktop"},
      {"# comment\nXDG_DOWNLOAD_DIR=\"$HOME/dl\"\n  XDG_DESKTOP_DIR = \"/srv/desk\"\n", "/srv/desk"},
      {"XDG_DESKTOP_DIR=\"$HOME/a \\\"quoted\\\" \\\\ name\"\n", home + "/a \"quoted\" \\ name"},
      {"XDG_DESKTOP_DIR=\"$HOME\"\n", home},
      {"XDG_DESKTOP_DIR=\"$HOME/one\"\nXDG_DESKTOP_DIR=\"$HOME/two\"\n", home + "/two"},
      {"XDG_DESKTOP_DIR=\"$HOME/下载\"", home + "/下载"},
      // Not entries the convention knows: relative, unquoted, unterminated, another variable.
      {"XDG_DESKTOP_DIR=\"Desktop\"\n", std::nullopt},
      {"XDG_DESKTOP_DIR=$HOME/Desktop\n", std::nullopt},
      {"XDG_DESKTOP_DIR=\"$HOME/Desktop\n", std::nullopt},
      {"XDG_DESKTOP_DIR=\"$HOMEWORK/d\"\n", std::nullopt},
      {"#XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", std::nullopt},
      {"", std::nullopt},
  };
  std::filesystem::create_directories(sandbox.home() / ".config");
  for (const Case& c : cases) {
    WriteFile(sandbox.home() / ".config/user-dirs.dirs", c.file);
    EXPECT_EQ(platform::ReadDesktopDirectory(), c.desktop) << c.file;
    EXPECT_EQ(platform::DesktopDirectory(), c.desktop.value_or(home + "/Desktop")) << c.file;
  }

  std::filesystem::remove(sandbox.home() / ".config/user-dirs.dirs");
  EXPECT_EQ(platform::ReadDesktopDirectory(), std::nullopt);
  EXPECT_EQ(platform::DesktopDirectory(), home + "/Desktop");
}

TEST(DesktopFolder, UserDirsFollowsXdgConfigHome) {
  Sandbox sandbox;
  const auto config = sandbox.root() / "elsewhere";
  std::filesystem::create_directories(config);
  WriteFile(config / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"/from/elsewhere\"\n");
  sandbox.Set("XDG_CONFIG_HOME", config.string());
  EXPECT_EQ(platform::ReadDesktopDirectory(), "/from/elsewhere");
  // Without XDG_CONFIG_HOME the file is looked for in $HOME/.config, which has none.
  sandbox.Set("XDG_CONFIG_HOME", std::nullopt);
  EXPECT_EQ(platform::ReadDesktopDirectory(), std::nullopt);
}

}  // namespace
