// What an unpacking guarantees when the archive, the disk or the process lets it down: the
// completion file only with every item, no partial file at an item's place, nothing over the
// launcher's own files, and item names that are exact and cannot forge a line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <random>
#include <thread>

#include "archive-writer.h"
#include "extract-fixture.h"

namespace arc7z {
namespace {

namespace fs = std::filesystem;
using test::ExtractTest;
using test::wide;
using testing::HasSubstr;
using testing::StartsWith;

// Every file below `root` with its bytes, by relative path.
std::map<std::string, std::string> filesBelow(const fs::path& root) {
  std::map<std::string, std::string> files;
  if (!fs::exists(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_directory()) files[fs::relative(entry.path(), root).string()] = test::ReadFile(entry.path());
  }
  return files;
}

std::string randomBytes(std::mt19937& random, std::size_t size) {
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random());
  return bytes;
}

TEST_F(ExtractTest, completionFileComesOnlyWithACompleteUnpack) {
  extractor_.setCompletionFile(L"cvlclient");
  std::vector<test::WrittenItem> items = {
      {L"cvlclient", "#!/bin/sh\n"},
      {L"data/a.bin", std::string(3000, 'a')},
      {L"data/late.bin", std::string(3000, 'l'), true},
  };
  test::writeFile(dir_ / "bad.7z", test::sevenZipArchive(items));
  items.back().wrongChecksum = false;
  test::writeFile(dir_ / "good.7z", test::sevenZipArchive(items));
  test::writeFile(dir_ / "game/cvlclient", "from an earlier install");

  EXPECT_EQ(extract(dir_ / "bad.7z", wide(dir_ / "game")).first, "CRC Failed");
  EXPECT_EQ(filesBelow(dir_ / "game"), (std::map<std::string, std::string>{{"data/a.bin", items[1].data}}))
      << "the items before the damaged one stay; the client, the damaged item and the temporaries do not";

  ASSERT_EQ(extract(dir_ / "good.7z", wide(dir_ / "game")).first, "");
  EXPECT_EQ(filesBelow(dir_ / "game"), (std::map<std::string, std::string>{{"cvlclient", items[0].data},
                                                                           {"data/a.bin", items[1].data},
                                                                           {"data/late.bin", items[2].data}}));
}

TEST_F(ExtractTest, unpackKilledHalfwayLeavesNoCompletionFileAndTheNextOneCompletes) {
  const fs::path src = dir_ / "src";
  std::mt19937 random(7);
  for (int i = 0; i < 40; ++i) test::writeFile(src / ("data/f" + std::to_string(i) + ".bin"), randomBytes(random, 65536));
  test::writeFile(src / "cvlclient", "#!/bin/sh\n");
  test::pack(src, dir_ / "game.7z", "-mx=0");
  const fs::path game = dir_ / "game";
  const fs::path halfway = dir_ / "halfway";

  const pid_t child = ::fork();
  if (child == 0) {
    ::execl(CVL_TEST_PAUSING_EXTRACTOR, CVL_TEST_PAUSING_EXTRACTOR, CVL_TEST_PLUGIN, (dir_ / "game.7z").c_str(),
            game.c_str(), "cvlclient", halfway.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ASSERT_GT(child, 0);
  int status = 0;
  bool ended = false;
  for (int poll = 0; poll < 3000 && !fs::exists(halfway) && !ended; ++poll) {
    ended = ::waitpid(child, &status, WNOHANG) == child;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(child, SIGKILL);
  if (!ended) ::waitpid(child, &status, 0);
  ASSERT_TRUE(fs::exists(halfway)) << "the helper never reached the middle of the unpacking";
  EXPECT_TRUE(WIFSIGNALED(status));

  EXPECT_FALSE(fs::exists(game / "cvlclient"));
  const auto left = filesBelow(game);
  EXPECT_FALSE(left.empty()) << "items were in place when the unpack was killed";

  extractor_.setCompletionFile(L"cvlclient");
  ASSERT_EQ(extract(dir_ / "game.7z", wide(game)).first, "");
  EXPECT_EQ(filesBelow(game), filesBelow(src)) << "complete, and no temporary stays";
}

TEST_F(ExtractTest, archiveDeclaringMoreThanTheDiskHoldsIsRefusedBeforeAnyWrite) {
  const test::SmallFileSystem disk(dir_ / "disk", "1m");
  if (!disk.skipReason().empty()) GTEST_SKIP() << disk.skipReason();
  test::writeFile(dir_ / "src/zeros.bin", std::string(std::size_t{4} << 20, '\0'));
  test::writeFile(dir_ / "src/cvlclient", "x");
  test::pack(dir_ / "src", dir_ / "bomb.7z");
  ASSERT_LT(fs::file_size(dir_ / "bomb.7z"), 100000u);

  const auto [message, code] = extract(dir_ / "bomb.7z", wide(disk.path() / "game"));
  EXPECT_THAT(message, StartsWith("Not enough free space in " + (disk.path() / "game").string() +
                                  ": 4194305 bytes needed, "));
  EXPECT_EQ(static_cast<UInt32>(code), 0x80070070u);
  EXPECT_FALSE(fs::exists(disk.path() / "game"));
}

TEST_F(ExtractTest, fullDiskStopsTheUnpackWithItsReasonAndRemovesThePartialItem) {
  const test::SmallFileSystem disk(dir_ / "disk", "1m");
  if (!disk.skipReason().empty()) GTEST_SKIP() << disk.skipReason();
  // 150 files of 6000 bytes fit the declared size, but each takes two 4 KiB pages of the
  // tmpfs: the disk fills up in the middle of one of them.
  std::mt19937 random(11);
  for (int i = 0; i < 150; ++i) test::writeFile(dir_ / ("src/f" + std::to_string(i)), randomBytes(random, 6000));
  test::pack(dir_ / "src", dir_ / "a.7z", "-mx=0");
  const fs::path game = disk.path() / "game";

  const auto [message, code] = extract(dir_ / "a.7z", wide(game));
  EXPECT_THAT(message, StartsWith("Cannot write output file " + game.string() + "/f"));
  EXPECT_THAT(message, HasSubstr(": No space left on device"));
  EXPECT_NE(code, 0);
  const auto left = filesBelow(game);
  EXPECT_LT(left.size(), 150u);
  for (const auto& [name, bytes] : left) {
    EXPECT_EQ(bytes, test::ReadFile(dir_ / "src" / name)) << name << ": only complete items stay";
  }
}

TEST_F(ExtractTest, itemsOverTheLaunchersOwnFilesAreRefused) {
  // The launcher's folder is the install folder here: its program, its uninstaller and its data
  // folder, reached by any spelling.
  const fs::path home = dir_ / "home";
  const std::map<std::string, std::string> launcherFiles = {
      {"cvl_qx", "launcher"}, {"uninst", "uninstaller"}, {"cvl/7za.so", "plug-in"}};
  fs::create_directories(home);
  fs::create_symlink("cvl", home / "data-link");
  fs::create_symlink(home, dir_ / "home-link");
  extractor_.setProtectedPaths({wide(home / "cvl_qx"), wide(home / "uninst"), wide(home) + L"/./cvl"});
  const struct {
    std::wstring item;
    fs::path folder;
  } cases[] = {
      {L"uninst", home},
      {L"cvl_qx", home},
      {L"cvl/7za.so", home},
      {L"cvl/logs/new.txt", home},
      {L"data-link/7za.so", home},
      {L"uninst", dir_ / "home-link"},
      {L"home/cvl_qx", dir_.path()},
  };
  for (const auto& c : cases) {
    const std::string item = platform::WideToUtf8(c.item);
    for (const auto& [name, bytes] : launcherFiles) test::writeFile(home / name, bytes);
    test::writeFile(dir_ / "evil.7z", test::sevenZipArchive({{L"readme.txt", "ok"}, {c.item, "evil"}}));
    const auto [message, code] = extract(dir_ / "evil.7z", wide(c.folder));
    EXPECT_EQ(message, "Cannot extract item over the launcher's own files: " + item) << item;
    EXPECT_EQ(code, kErrorAbort);
    for (const auto& [name, bytes] : launcherFiles) EXPECT_EQ(test::ReadFile(home / name), bytes) << item;
    EXPECT_FALSE(fs::exists(home / "cvl/logs")) << item;
  }
}

TEST_F(ExtractTest, namesWithoutAnExactFileNameOrMeetingInOneFileAreRefused) {
  fs::create_directories(dir_ / "out/real");
  fs::create_symlink("real", dir_ / "out/alias");
  const struct {
    std::vector<test::WrittenItem> items;
    std::string message;
    std::map<std::string, std::string> left;
  } cases[] = {
      // Both would become "x?.txt".
      {{{L"x\xD800.txt", "first"}, {L"x\xDC00.txt", "second"}},
       "Cannot convert item name to a file name: x\\uD800.txt", {}},
      {{{L"a/b.txt", "first"}, {L"a\\b.txt", "second"}},
       "Cannot extract two items into one file: a\\b.txt", {{"a/b.txt", "first"}}},
      {{{L"same.txt", "first"}, {L"same.txt", "second"}},
       "Cannot extract two items into one file: same.txt", {{"same.txt", "first"}}},
      {{{L"real/f.txt", "first"}, {L"alias/f.txt", "second"}},
       "Cannot extract two items into one file: alias/f.txt", {{"real/f.txt", "first"}}},
      // A character beyond the BMP arrives as a surrogate pair, which is exact.
      {{{L"smile \U0001F600.txt", "fine"}}, "", {{"smile \xF0\x9F\x98\x80.txt", "fine"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    for (const auto& entry : fs::directory_iterator(dir_ / "out")) {
      if (entry.path().filename() != "real" && entry.path().filename() != "alias") fs::remove_all(entry.path());
    }
    fs::remove_all(dir_ / "out/real");
    fs::create_directories(dir_ / "out/real");
    test::writeFile(dir_ / "names.7z", test::sevenZipArchive(c.items));
    EXPECT_EQ(extract(dir_ / "names.7z", wide(dir_ / "out")).first, c.message);
    EXPECT_EQ(filesBelow(dir_ / "out"), c.left);
  }
}

TEST_F(ExtractTest, controlCharactersOfNamesAreEscapedInErrorTexts) {
  const std::wstring forged = L"log\n2026-01-01 00:00:00 [INFO] forged\r\t\x1B[0m";
  test::writeFile(dir_ / "a.7z", test::sevenZipArchive({{forged, "first"}, {forged, "second"}}));
  const auto [message, code] = extract(dir_ / "a.7z", wide(dir_ / "out"));
  EXPECT_EQ(message, "Cannot extract two items into one file: log\\n2026-01-01 00:00:00 [INFO] forged\\r\\t\\x1B[0m");
  EXPECT_EQ(test::ReadFile(dir_ / "out" / platform::WideToUtf8(forged)), "first") << "the name itself is kept on disk";
}

}  // namespace
}  // namespace arc7z
