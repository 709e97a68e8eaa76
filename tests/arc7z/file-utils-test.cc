// Folder chains, forced deletion, lookup, names and the archive file's entry.
#include <gtest/gtest.h>

#include "arc7z/arc-exception.h"
#include "arc7z/file-utils.h"
#include "fixtures.h"

namespace arc7z {
namespace {

namespace fs = std::filesystem;
using test::wide;

TEST(FileUtils, createFolderChain) {
  test::TempDir dir;
  test::writeFile(dir / "file", "x");
  fs::create_directories(dir / "exists");
  const struct {
    std::string path;  // below the temp folder
    bool succeeds;
  } cases[] = {
      {"exists", true},           {"a/b/c", true},  {"d/e/", true},   {"f//g", true},
      {"file", false},            {"file/sub", false}, {"a/b/c", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(createFolderChain(wide(dir.path() / c.path)), c.succeeds) << c.path;
    if (c.succeeds) {
      EXPECT_TRUE(fs::is_directory(dir.path() / c.path)) << c.path;
    }
  }
  EXPECT_TRUE(createFolderChain(L"/"));
  EXPECT_FALSE(createFolderChain(L""));
  EXPECT_TRUE(fs::is_regular_file(dir / "file"));
}

TEST(FileUtils, deleteFileForceRemovesReadOnlyFilesAndLinksButNotFolders) {
  test::TempDir dir;
  test::writeFile(dir / "ro", "x");
  fs::permissions(dir / "ro", fs::perms(0444));
  EXPECT_TRUE(deleteFileForce(wide(dir / "ro")));
  EXPECT_FALSE(fs::exists(dir / "ro"));

  test::writeFile(dir / "target", "stays");
  fs::permissions(dir / "target", fs::perms(0444));
  fs::create_symlink(dir / "target", dir / "link");
  EXPECT_TRUE(deleteFileForce(wide(dir / "link")));
  EXPECT_FALSE(fs::is_symlink(dir / "link"));
  EXPECT_EQ(fs::status(dir / "target").permissions(), fs::perms(0444));

  fs::create_directories(dir / "folder");
  EXPECT_FALSE(deleteFileForce(wide(dir / "folder")));
  EXPECT_FALSE(deleteFileForce(wide(dir / "missing")));
  EXPECT_TRUE(fs::is_directory(dir / "folder"));
}

TEST(FileUtils, findFileInfoSeesFilesFoldersAndDanglingLinks) {
  test::TempDir dir;
  test::writeFile(dir / "a:stream", "12345");  // a colon is an ordinary character here
  fs::create_directories(dir / "sub");
  fs::create_symlink(dir / "nowhere", dir / "dangling");
  FileItem entry;
  ASSERT_TRUE(findFileInfo(wide(dir / "a:stream"), entry));
  EXPECT_EQ(entry.name(), L"a:stream");
  EXPECT_EQ(entry.size(), 5u);
  EXPECT_FALSE(entry.isFolder());
  ASSERT_TRUE(findFileInfo(wide(dir / "sub"), entry));
  EXPECT_TRUE(entry.isFolder());
  EXPECT_TRUE(findFileInfo(wide(dir / "dangling"), entry));
  EXPECT_FALSE(findFileInfo(wide(dir / "missing"), entry));
  EXPECT_TRUE(findFileInfo(L"/", entry));
  EXPECT_TRUE(entry.isFolder());
}

TEST(FileUtils, fileName) {
  const struct {
    const wchar_t* path;
    bool withExtension;
    const wchar_t* name;
  } cases[] = {
      {L"/game/pkg.7z", true, L"pkg.7z"},
      {L"/game/pkg.7z", false, L"pkg"},
      {L"./cvl/game.tar.gz", false, L"game.tar"},
      {L"C:\\games\\pkg.7z", false, L"pkg"},
      {L"mixed/sep\\name.txt", true, L"name.txt"},
      {L"/dir.d/noext", false, L"noext"},
      {L"plain", false, L"plain"},
      {L"/trailing/", true, L""},
      {L"", false, L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(fileName(c.path, c.withExtension), c.name) << c.path << " " << c.withExtension;
  }
}

TEST(FileItem, describesTheFileOrThrowsForAMissingOne) {
  test::TempDir dir;
  test::writeFile(dir / "pkg.7z", std::string(300, 'z'));
  const fs::file_time_type mtime = fs::file_time_type::clock::now() - std::chrono::hours(48);
  fs::last_write_time(dir / "pkg.7z", mtime);
  const FileItem item(wide(dir / "pkg.7z"));
  EXPECT_EQ(item.name(), L"pkg.7z");
  EXPECT_EQ(item.size(), 300u);
  EXPECT_FALSE(item.isFolder());
  EXPECT_EQ(item.attributes() & 0xFFFF, kAttribArchive | kAttribUnixExtension);
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                      std::chrono::file_clock::to_sys(fs::last_write_time(dir / "pkg.7z"))
                          .time_since_epoch())
                      .count();
  EXPECT_EQ(nanosecondsFromFileTime(item.lastWriteTime()), ns / 100 * 100);

  const FileItem folder(wide(dir.path()) + L"/");
  EXPECT_TRUE(folder.isFolder());
  EXPECT_EQ(folder.path(), wide(dir.path()));

  const std::wstring missing = wide(dir / "missing.7z");
  try {
    FileItem nothing(missing);
    FAIL();
  } catch (const ArcException& e) {
    EXPECT_EQ(std::string(e.what()), "Invalid path '" + (dir / "missing.7z").string() + "'!");
    EXPECT_EQ(static_cast<UInt32>(e.errorCode()), 0x80070002u);  // ENOENT
  }
}

TEST(FileTimes, convertBothWaysIncludingBefore1970) {
  const struct {
    Int64 ns;
    UInt64 ticks;
  } cases[] = {{0, 116444736000000000ull},
               {1'700'000'000'123'456'700, 116444736000000000ull + 17'000'000'001'234'567ull},
               {-100, 116444736000000000ull - 1}};
  for (const auto& c : cases) {
    const FILETIME t = fileTimeFromNanoseconds(c.ns);
    EXPECT_EQ((UInt64{t.dwHighDateTime} << 32) | t.dwLowDateTime, c.ticks) << c.ns;
    EXPECT_EQ(nanosecondsFromFileTime(t), c.ns);
  }
}

}  // namespace
}  // namespace arc7z
