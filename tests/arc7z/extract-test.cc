// Unpacking real 7z archives, built by the 7z program, into folders.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <map>

#include "arc7z/arc-exception.h"
#include "arc7z/arc-extractor.h"
#include "arc7z/arc-format.h"
#include "arc7z/sevenzip-library.h"
#include "extract-fixture.h"

namespace arc7z {
namespace {

namespace fs = std::filesystem;
using test::ExtractTest;
using test::wide;

struct Entry {
  fs::file_type type;
  fs::perms perms;
  std::string bytes;
  fs::file_time_type mtime;
  bool operator==(const Entry&) const = default;
};

// Everything below `root` that an unpacking must reproduce. Folder times are left out: the
// files written into a folder move its time.
std::map<std::string, Entry> snapshot(const fs::path& root) {
  std::map<std::string, Entry> entries;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    const auto status = item.symlink_status();
    Entry e{status.type(), status.permissions(), {}, {}};
    if (status.type() == fs::file_type::regular) {
      e.bytes = test::ReadFile(item.path());
      e.mtime = fs::last_write_time(item.path());
    }
    entries.emplace(fs::relative(item.path(), root).string(), std::move(e));
  }
  return entries;
}

TEST_F(ExtractTest, wholeTreeUnpacksIdentically) {
  const fs::path src = dir_ / "src";
  test::writeFile(src / "readme.txt", "Corvela\r\n");
  test::writeFile(src / "bin/cvlclient", std::string(200000, 'c') + "end");
  test::writeFile(src / "data/levels/a/b/deep.dat", std::string(70000, '\x01'));
  test::writeFile(src / "data/empty.bin", "");
  test::writeFile(src / "\xe4\xb8\x8b\xe8\xbd\xbd/\xe6\xb8\xb8\xe6\x88\x8f \xf0\x9f\x98\x80.txt", "unicode");
  test::writeFile(src / "config/locked.ini", "[readonly]");
  fs::create_directories(src / "saves/empty/nested");
  fs::permissions(src / "bin/cvlclient", fs::perms(0755));
  fs::permissions(src / "config/locked.ini", fs::perms(0444));
  // 100-ns steps: the precision a 7z archive keeps.
  auto t = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  t -= t.time_since_epoch() % std::chrono::microseconds(1);
  for (const auto& item : fs::recursive_directory_iterator(src)) {
    if (item.is_regular_file()) fs::last_write_time(item.path(), t += std::chrono::nanoseconds(1234500));
  }
  test::pack(src, dir_ / "game.7z", "-mx=5");

  const auto [message, code] = extract(dir_ / "game.7z", wide(dir_ / "out"));
  ASSERT_EQ(message, "");
  EXPECT_EQ(code, 0);
  const auto expected = snapshot(src);
  const auto unpacked = snapshot(dir_ / "out");
  EXPECT_EQ(unpacked.size(), expected.size());
  for (const auto& [path, entry] : expected) {
    const auto found = unpacked.find(path);
    ASSERT_NE(found, unpacked.end()) << path;
    EXPECT_TRUE(found->second == entry) << path;
  }
}

TEST_F(ExtractTest, outputFolderWithOrWithoutSeparatorOrEmpty) {
  test::writeFile(dir_ / "src/sub/f.txt", "f");
  test::pack(dir_ / "src", dir_ / "a.7z");
  EXPECT_EQ(extract(dir_ / "a.7z", wide(dir_ / "plain")).first, "");
  EXPECT_EQ(test::ReadFile(dir_ / "plain/sub/f.txt"), "f");
  EXPECT_EQ(extract(dir_ / "a.7z", wide(dir_ / "slash") + L"/").first, "");
  EXPECT_EQ(test::ReadFile(dir_ / "slash/sub/f.txt"), "f");
  EXPECT_FALSE(fs::exists(dir_ / "plainsub"));

  const fs::path previous = fs::current_path();
  fs::create_directories(dir_ / "cwd");
  fs::current_path(dir_ / "cwd");
  const auto result = extract(dir_ / "a.7z", L"");
  fs::current_path(previous);
  EXPECT_EQ(result.first, "");
  EXPECT_EQ(test::ReadFile(dir_ / "cwd/sub/f.txt"), "f");
}

// Root writes wherever it likes: these run as a user without privileges.
TEST_F(ExtractTest, existingFilesAreReplacedEvenReadOnlyOnesAndOthersStay) {
  test::writeFile(dir_ / "src/config.ini", "new");
  fs::permissions(dir_ / "src/config.ini", fs::perms(0640));
  test::pack(dir_ / "src", dir_ / "a.7z");
  test::writeFile(dir_ / "out/config.ini", "old, longer content");
  fs::permissions(dir_ / "out/config.ini", fs::perms(0444));
  test::writeFile(dir_ / "out/user.sav", "mine");
  const auto run = test::asUnprivilegedUser(dir_.path(), [&] { return extract(dir_ / "a.7z", wide(dir_ / "out")).first; });
  if (!run.skipReason.empty()) GTEST_SKIP() << run.skipReason;
  ASSERT_EQ(run.result, "");
  EXPECT_EQ(test::ReadFile(dir_ / "out/config.ini"), "new");
  EXPECT_EQ(fs::status(dir_ / "out/config.ini").permissions(), fs::perms(0640));
  EXPECT_EQ(test::ReadFile(dir_ / "out/user.sav"), "mine");
}

TEST_F(ExtractTest, itemModesPassTheUmaskWithoutSetIdOrStickyBits) {
  const fs::path src = dir_ / "src";
  const struct {
    const char* name;
    bool folder;
    fs::perms archived;
    fs::perms under022;
    fs::perms under027;
  } cases[] = {
      {"open", false, fs::perms(0666), fs::perms(0644), fs::perms(0640)},
      {"tool", false, fs::perms(0777), fs::perms(0755), fs::perms(0750)},
      {"setuid", false, fs::perms(04755), fs::perms(0755), fs::perms(0750)},
      {"setid", false, fs::perms(06755), fs::perms(0755), fs::perms(0750)},
      {"shared", true, fs::perms(01777), fs::perms(0755), fs::perms(0750)},
      // Stored as a link (-snl) with mode 0777; unpacked as a plain file with a new file's mode.
      {"link", false, fs::perms(0777), fs::perms(0644), fs::perms(0640)},
  };
  for (const auto& c : cases) {
    if (c.folder) {
      fs::create_directories(src / c.name);
    } else if (c.name == std::string("link")) {
      fs::create_symlink("tool", src / c.name);  // followed, it would be 0777
      continue;
    } else {
      test::writeFile(src / c.name, "#!/bin/sh\n");
    }
    fs::permissions(src / c.name, c.archived);
  }
  test::pack(src, dir_ / "a.7z", "-snl");

  for (const mode_t mask : {022, 027}) {
    const fs::path out = dir_ / ("out" + std::to_string(mask));
    const mode_t previous = ::umask(mask);
    const auto [message, code] = extract(dir_ / "a.7z", wide(out));
    ::umask(previous);
    ASSERT_EQ(message, "");
    for (const auto& c : cases) {
      const auto status = fs::symlink_status(out / c.name);
      EXPECT_EQ(status.type(), c.folder ? fs::file_type::directory : fs::file_type::regular) << c.name;
      EXPECT_EQ(status.permissions(), mask == 022 ? c.under022 : c.under027) << c.name << " " << mask;
    }
  }
}

TEST_F(ExtractTest, readOnlyFolderGetsItsModeAfterItsFiles) {
  test::writeFile(dir_ / "src/ro/inside.txt", "in");
  fs::permissions(dir_ / "src/ro", fs::perms(0555));
  test::pack(dir_ / "src", dir_ / "a.7z");
  const auto run = test::asUnprivilegedUser(dir_.path(), [&] { return extract(dir_ / "a.7z", wide(dir_ / "out")).first; });
  if (!run.skipReason.empty()) GTEST_SKIP() << run.skipReason;
  ASSERT_EQ(run.result, "");
  EXPECT_EQ(test::ReadFile(dir_ / "out/ro/inside.txt"), "in");
  EXPECT_EQ(fs::status(dir_ / "out/ro").permissions(), fs::perms(0555));
}

TEST_F(ExtractTest, secondUnpackReplacesWhatTheFirstLeftReadOnly) {
  const fs::path src = dir_ / "src";
  const auto lock = [&] {
    fs::permissions(src / "ro/locked.ini", fs::perms(0444));
    fs::permissions(src / "ro/deeper", fs::perms(0555));
    fs::permissions(src / "ro", fs::perms(0555));
  };
  test::writeFile(src / "ro/deeper/level.dat", "first");
  test::writeFile(src / "ro/locked.ini", "first");
  lock();
  test::pack(src, dir_ / "first.7z");
  fs::permissions(src / "ro", fs::perms(0755));
  fs::permissions(src / "ro/deeper", fs::perms(0755));
  fs::permissions(src / "ro/locked.ini", fs::perms(0644));
  for (const char* name : {"ro/deeper/level.dat", "ro/deeper/new.dat", "ro/locked.ini"}) {
    test::writeFile(src / name, "second");
  }
  lock();
  test::pack(src, dir_ / "second.7z");

  const auto run = test::asUnprivilegedUser(dir_.path(), [&] {
    const std::string first = extract(dir_ / "first.7z", wide(dir_ / "out")).first;
    // The install folder itself read-only too: it gets its mode back afterwards.
    fs::permissions(dir_ / "out", fs::perms(0555));
    return first + "|" + extract(dir_ / "second.7z", wide(dir_ / "out")).first;
  });
  if (!run.skipReason.empty()) GTEST_SKIP() << run.skipReason;
  ASSERT_EQ(run.result, "|");
  for (const char* name : {"ro/deeper/level.dat", "ro/deeper/new.dat", "ro/locked.ini"}) {
    EXPECT_EQ(test::ReadFile(dir_ / "out" / name), "second") << name;
  }
  EXPECT_EQ(fs::status(dir_ / "out/ro/locked.ini").permissions(), fs::perms(0444));
  EXPECT_EQ(fs::status(dir_ / "out/ro/deeper").permissions(), fs::perms(0555));
  EXPECT_EQ(fs::status(dir_ / "out/ro").permissions(), fs::perms(0555));
  EXPECT_EQ(fs::status(dir_ / "out").permissions(), fs::perms(0555));
}

TEST_F(ExtractTest, encryptedDataWithoutPasswordFails) {
  test::writeFile(dir_ / "src/secret.txt", "payload");
  test::pack(dir_ / "src", dir_ / "data.7z", "-pS3cret");
  const auto [message, code] = extract(dir_ / "data.7z", wide(dir_ / "out"));
  EXPECT_EQ(message, "Password is not defined");
  EXPECT_NE(code, 0);

  extractor_.setPassword(L"S3cret");
  ASSERT_EQ(extract(dir_ / "data.7z", wide(dir_ / "out2")).first, "");
  EXPECT_EQ(test::ReadFile(dir_ / "out2/secret.txt"), "payload");

  extractor_.setPassword(L"wrong");
  EXPECT_EQ(extract(dir_ / "data.7z", wide(dir_ / "out3")).first, "Data Error");
}

TEST_F(ExtractTest, damagedItemFailsEarlierItemsStayAndTheDamagedOneIsRemoved) {
  test::writeFile(dir_ / "src/a.bin", std::string(4000, 'A'));
  test::writeFile(dir_ / "src/b.bin", std::string(4000, 'B'));
  test::pack(dir_ / "src", dir_ / "a.7z", "-mx=0 -ms=off");  // stored: each file's bytes as is
  std::string bytes = test::ReadFile(dir_ / "a.7z");
  const auto at = bytes.find(std::string(100, 'B'));
  ASSERT_NE(at, std::string::npos);
  bytes[at + 1000] = 'X';
  test::writeFile(dir_ / "a.7z", bytes);

  const auto [message, code] = extract(dir_ / "a.7z", wide(dir_ / "out"));
  EXPECT_TRUE(message == "CRC Failed" || message == "Data Error") << message;
  EXPECT_EQ(code, kErrorFail);
  EXPECT_EQ(test::ReadFile(dir_ / "out/a.bin"), std::string(4000, 'A'));
  EXPECT_FALSE(fs::exists(dir_ / "out/b.bin"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "out"), fs::directory_iterator()), 1)
      << "no temporary file stays";
}

TEST_F(ExtractTest, itemPathsThatLeaveTheFolderAreRefused) {
  const fs::path work = dir_ / "work";
  test::writeFile(dir_ / "escape.txt", "original");
  test::writeFile(dir_ / "abs/absolute.txt", "absolute");
  test::writeFile(work / "..\\back.txt", "backslashes");
  test::writeFile(work / "ok.txt", "ok");
  const struct {
    std::string member;  // as given to 7z -spf, from `work`
    std::string itemPath;
  } cases[] = {
      {"../escape.txt", "../escape.txt"},
      {(dir_ / "abs/absolute.txt").string(), (dir_ / "abs/absolute.txt").string()},
      {"..\\back.txt", "..\\back.txt"},
  };
  for (const auto& c : cases) {
    const fs::path archive = dir_ / "evil.7z";
    fs::remove(archive);
    test::run7z(work, "a -spf " + test::quoted(archive.string()) + " ok.txt " + test::quoted(c.member));
    const fs::path out = dir_ / "out/inner";
    const auto [message, code] = extract(archive, wide(out));
    EXPECT_EQ(message, "Cannot extract item outside the output folder: " + c.itemPath);
    EXPECT_EQ(code, kErrorAbort);
    EXPECT_EQ(test::ReadFile(dir_ / "escape.txt"), "original");
    EXPECT_EQ(test::ReadFile(dir_ / "abs/absolute.txt"), "absolute");
    EXPECT_FALSE(fs::exists(dir_ / "out/escape.txt"));
    EXPECT_FALSE(fs::exists(dir_ / "out/back.txt"));
    EXPECT_FALSE(fs::exists(out / "abs"));
    fs::remove_all(dir_ / "out");
  }
}

TEST_F(ExtractTest, linksInTheOutputFolderDoNotLeadOutside) {
  test::writeFile(dir_ / "src/data/level.dat", "level");
  test::writeFile(dir_ / "src/inside/x.txt", "x");
  test::writeFile(dir_ / "src/settings.ini", "settings");
  test::pack(dir_ / "src", dir_ / "a.7z");
  fs::create_directories(dir_ / "outside");
  test::writeFile(dir_ / "victim.ini", "victim");

  // A file item at a link's place replaces the link, not its target.
  fs::create_directories(dir_ / "out1");
  fs::create_symlink(dir_ / "victim.ini", dir_ / "out1/settings.ini");
  fs::create_symlink("real", dir_ / "out1/inside");  // leads within the folder: allowed
  fs::create_directories(dir_ / "out1/real");
  EXPECT_EQ(extract(dir_ / "a.7z", wide(dir_ / "out1")).first, "");
  EXPECT_EQ(test::ReadFile(dir_ / "victim.ini"), "victim");
  EXPECT_FALSE(fs::is_symlink(dir_ / "out1/settings.ini"));
  EXPECT_EQ(test::ReadFile(dir_ / "out1/settings.ini"), "settings");
  EXPECT_EQ(test::ReadFile(dir_ / "out1/real/x.txt"), "x");

  // A folder link leading outside stops the extraction before anything is written there.
  fs::create_directories(dir_ / "out2");
  fs::create_symlink(dir_ / "outside", dir_ / "out2/data");
  const auto [message, code] = extract(dir_ / "a.7z", wide(dir_ / "out2"));
  EXPECT_EQ(message, "Cannot extract item outside the output folder: data");
  EXPECT_EQ(code, kErrorAbort);
  EXPECT_TRUE(fs::is_empty(dir_ / "outside"));
}

TEST_F(ExtractTest, whatStandsInAnItemsWayEndsTheExtractionWithItsPath) {
  test::writeFile(dir_ / "src/data/level.dat", "level");
  test::writeFile(dir_ / "src/readme.txt", "readme");
  test::pack(dir_ / "src", dir_ / "a.7z");
  const struct {
    const char* blocker;  // made in the output folder first
    bool folder;
    std::string message;  // after the output folder
  } cases[] = {
      {"data", false, "Cannot open output file {}/data/level.dat"},
      {"readme.txt", true, "Cannot delete output file {}/readme.txt"},
  };
  for (const auto& c : cases) {
    const fs::path out = dir_ / "out";
    fs::remove_all(out);
    if (c.folder) {
      fs::create_directories(out / c.blocker / "keep");
    } else {
      test::writeFile(out / c.blocker, "blocker");
    }
    std::string expected = c.message;
    expected.replace(expected.find("{}"), 2, out.string());
    const auto [message, code] = extract(dir_ / "a.7z", wide(out));
    EXPECT_EQ(message, expected);
    EXPECT_EQ(code, kErrorAbort);
    EXPECT_TRUE(fs::exists(out / c.blocker)) << c.blocker;
  }
}

TEST_F(ExtractTest, hooksSeeTotalsProgressAndFileNames) {
  test::writeFile(dir_ / "src/one.txt", std::string(1000, '1'));
  test::writeFile(dir_ / "src/sub/two.txt", std::string(2000, '2'));
  test::pack(dir_ / "src", dir_ / "a.7z");
  UInt64 total = 0, done = 0;
  std::vector<std::wstring> names;
  extractor_.setTotalHook([&](UInt64 t) { total = t; });
  extractor_.setProgressHook([&](UInt64 d) { done = d; });
  extractor_.setFileHook([&](const std::wstring& name) { names.push_back(name); });
  ASSERT_EQ(extract(dir_ / "a.7z", wide(dir_ / "out")).first, "");
  EXPECT_EQ(total, 3000u);
  EXPECT_EQ(done, 3000u);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"one.txt", L"two.txt"}));
}

TEST_F(ExtractTest, singleStreamItemWithoutPathTakesTheArchiveName) {
  test::writeFile(dir_ / "src/package.tar", std::string(5000, 't'));
  test::run7z(dir_ / "src", "a -txz " + test::quoted((dir_ / "package.tar.xz").string()) + " package.tar");
  const ArcExtractor xz(library_, kFormatXz);
  xz.extract(wide(dir_ / "package.tar.xz"), wide(dir_ / "out"));
  EXPECT_EQ(test::ReadFile(dir_ / "out/package.tar"), std::string(5000, 't'));
}

}  // namespace
}  // namespace arc7z
