#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/file.h"
#include "support/temp-dir.h"

namespace {

namespace fs = std::filesystem;
using platform::LinkPolicy;

// The kind comes through the flags alone and the permissions through their own field, set-id and
// sticky bits included, whatever the system's own layout of the two.
TEST(FileStatus, KindAndPermissionsComeApart) {
  testing_support::TempDir dir;
  std::ofstream(dir.path() / "file") << "x";
  fs::permissions(dir.path() / "file", static_cast<fs::perms>(0640));
  fs::create_directory(dir.path() / "folder");
  fs::permissions(dir.path() / "folder", static_cast<fs::perms>(03750));
  fs::create_symlink("file", dir.path() / "link");

  struct Case {
    const char* name;
    LinkPolicy links;
    bool folder, regular, symlink;
    std::uint32_t permissions;
  } cases[] = {
      {"file", LinkPolicy::noFollow, false, true, false, 0640},
      {"folder", LinkPolicy::noFollow, true, false, false, 03750},
      {"link", LinkPolicy::follow, false, true, false, 0640},
      {"link", LinkPolicy::noFollow, false, false, true, 0777},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.links == LinkPolicy::follow ? " followed" : ""));
    const auto status = platform::StatusOf((dir.path() / c.name).string(), c.links);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->isDirectory, c.folder);
    EXPECT_EQ(status->isRegular, c.regular);
    EXPECT_EQ(status->isSymlink, c.symlink);
    EXPECT_EQ(status->permissions, c.permissions);
  }

  platform::File file;
  ASSERT_TRUE(file.openForReading((dir.path() / "file").string()));
  const auto status = file.status();
  ASSERT_TRUE(status);
  EXPECT_TRUE(status->isRegular);
  EXPECT_EQ(status->permissions, 0640u);
}

}  // namespace
