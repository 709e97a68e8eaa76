#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "cvlog-fixtures.h"
#include "util/cvlog/log-manager.h"

namespace {

using cvlog_test::ListFiles;
using cvlog_test::ReadFile;
using cvlog_test::SubmitAt;
using cvlog_test::TextLines;
using cvlog_test::Utc;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using Files = std::vector<std::string>;

// Log files in a folder that hold lines of the test (not only the writer's start-up lines).
Files FilesWithLines(const cvlog_test::TempDir& dir) {
  Files names;
  for (const std::string& name : ListFiles(dir.path())) {
    if (!TextLines(ReadFile(dir.path() / name)).empty()) names.push_back(name);
  }
  return names;
}

// A running manager whose logger 0 writes into its own temp folder as process "cvl_qx".
class LogFiles : public testing::Test {
 protected:
  void SetUp() override {
    cvlog_test::QuietMain(manager_, dir_.folder());
    manager_.SetName(0, "log");
  }
  void StartWriter() { ASSERT_TRUE(manager_.Start()); }
  void StopWriter() { ASSERT_TRUE(manager_.Stop()); }

  cvlog_test::ScopedTimeZone utc_{"UTC0"};
  cvlog_test::TempDir dir_;
  cvlog::LogManager manager_{"cvl_qx"};
};

// The writer's own first lines open a file named after the minute of the first of them; a line of
// another day opens the next one.
TEST(LogFileNames, TheLaunchersConfigurationNamesFilesAfterProgramLoggerAndMinute) {
  cvlog_test::ScopedTimeZone utc("UTC0");
  cvlog_test::TempDir dir;
  const cvlog_test::fs::path home = cvlog_test::fs::current_path();
  cvlog_test::fs::current_path(dir.path());
  {
    cvlog::LogManager manager("cvl_qx");
    manager.ConfigFromText("[Main] \npath = ./cvl/logs/ \nname=log \nfileline = 0 \n");
    manager.SetDisplay(0, false);
    ASSERT_TRUE(manager.Start());
    SubmitAt(manager, 0, Utc(2031, 5, 14, 9, 5, 59), "work:");
    manager.Stop();
  }
  cvlog_test::fs::current_path(home);
  const auto files = ListFiles(dir.path() / "cvl/logs");
  ASSERT_EQ(files.size(), 2u);
  // "YYYY-MM-DD hh:mm" of the first line written, as the file name spells it.
  const std::string first = ReadFile(dir.path() / "cvl/logs" / files[0]).substr(0, 16);
  const std::string minute = first.substr(0, 4) + first.substr(5, 2) + first.substr(8, 2) + first.substr(11, 2) +
                             first.substr(14, 2);
  EXPECT_EQ(files[0], "cvl_qx_log_" + minute + "_000.log") << first;
  EXPECT_EQ(files[1], "cvl_qx_log_203105140905_000.log");
}

TEST_F(LogFiles, ALineOfTheNextDayStartsAFileWithIndexZero) {
  manager_.SetLimitSize(0, 1);
  StartWriter();
  const std::string big(2000, 'b');
  for (int i = 0; i < 600; ++i) SubmitAt(manager_, 0, Utc(2031, 5, 14, 9, 5, 0), big);
  SubmitAt(manager_, 0, Utc(2031, 5, 14, 23, 59, 59), "late");
  SubmitAt(manager_, 0, Utc(2031, 5, 15, 0, 0, 1), "next day");
  StopWriter();
  EXPECT_EQ(FilesWithLines(dir_), (Files{"cvl_qx_log_203105140905_000.log", "cvl_qx_log_203105140905_001.log",
                                        "cvl_qx_log_203105150000_000.log"}));
  const auto last = TextLines(ReadFile(dir_.path() / "cvl_qx_log_203105150000_000.log"));
  ASSERT_EQ(last.size(), 1u);
  EXPECT_TRUE(last[0].ends_with(" next day"));
}

TEST_F(LogFiles, AFileGrownPastTheLimitIsFollowedByTheNextIndex) {
  manager_.SetLimitSize(0, 1);
  StartWriter();
  const std::string text(1000, 'x');
  for (int i = 0; i < 1100; ++i) SubmitAt(manager_, 0, Utc(2031, 5, 14, 9, 5, 0), text + std::to_string(i));
  StopWriter();
  ASSERT_EQ(FilesWithLines(dir_), (Files{"cvl_qx_log_203105140905_000.log", "cvl_qx_log_203105140905_001.log"}));
  const std::string first = ReadFile(dir_.path() / "cvl_qx_log_203105140905_000.log");
  const auto firstLines = TextLines(first);
  const std::string crossing = firstLines.back() + "\r\n";
  EXPECT_GT(first.size(), 1048576u);                    // the line that crossed the limit is still here
  EXPECT_LE(first.size() - crossing.size(), 1048576u);  // and it is the only one past it
  const auto second = TextLines(ReadFile(dir_.path() / "cvl_qx_log_203105140905_001.log"));
  EXPECT_EQ(firstLines.size() + second.size(), 1100u);
  EXPECT_TRUE(second.back().ends_with("x1099"));
}

// 4096 megabytes and more no longer wrap around to a limit of a few bytes or none at all.
TEST_F(LogFiles, LargeLimitsDoNotRollOverEveryLine) {
  manager_.SetLimitSize(0, 4096);
  StartWriter();
  for (int i = 0; i < 3; ++i) SubmitAt(manager_, 0, Utc(2031, 5, 14, 9, 5, 0), "line");
  StopWriter();
  EXPECT_EQ(FilesWithLines(dir_), (Files{"cvl_qx_log_203105140905_000.log"}));
}

// A backslash separates folders here as it does where the folders are made.
TEST_F(LogFiles, BackslashesInThePathAreFolderSeparators) {
  const std::string path = dir_.path().string() + "\\sub\\logs";
  manager_.SetPath(0, path.c_str());
  StartWriter();
  SubmitAt(manager_, 0, Utc(2031, 5, 14, 9, 5, 0), "line");
  StopWriter();
  EXPECT_EQ(FilesWithLines(dir_), (Files{"sub/logs/cvl_qx_log_203105140905_000.log"}));
}

TEST_F(LogFiles, MonthFolders) {
  manager_.SetMonthDir(0, true);
  StartWriter();
  SubmitAt(manager_, 0, Utc(2026, 12, 31, 23, 0, 0), "december");
  SubmitAt(manager_, 0, Utc(2027, 1, 1, 0, 30, 0), "january");
  StopWriter();
  EXPECT_EQ(FilesWithLines(dir_), (Files{"2026_12/cvl_qx_log_202612312300_000.log",
                                        "2027_01/cvl_qx_log_202701010030_000.log"}));
}

TEST_F(LogFiles, TwoRunsInTheSameMinuteAppendToOneFile) {
  StartWriter();
  SubmitAt(manager_, 0, Utc(2031, 5, 14, 9, 5, 1), "first run");
  StopWriter();
  cvlog::LogManager again("cvl_qx");
  cvlog_test::QuietMain(again, dir_.folder());
  again.SetName(0, "log");
  ASSERT_TRUE(again.Start());
  SubmitAt(again, 0, Utc(2031, 5, 14, 9, 5, 30), "second run");
  again.Stop();
  ASSERT_EQ(FilesWithLines(dir_), (Files{"cvl_qx_log_203105140905_000.log"}));
  const auto lines = TextLines(ReadFile(dir_.path() / "cvl_qx_log_203105140905_000.log"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[0].ends_with("first run"));
  EXPECT_TRUE(lines[1].ends_with("second run"));
}

TEST_F(LogFiles, AFolderThatCannotBeMadeIsReportedOnceAndFileOutputStops) {
  std::ofstream(dir_.path() / "plain-file") << "not a folder";
  const std::string folder = dir_.folder("plain-file/logs");
  manager_.SetPath(0, folder.c_str());
  CaptureStdout();
  StartWriter();
  LOG_LINE_ON(&manager_, 0, cvlog::LOG_INFO, "one");
  LOG_LINE_ON(&manager_, 0, cvlog::LOG_INFO, "two");
  StopWriter();
  const std::string out = cvlog_test::CapturedConsole();
  // The logger keeps its paths with forward slashes, a Windows temp folder's included.
  std::string path = folder + "cvl_qx_log_";
  std::replace(path.begin(), path.end(), '\\', '/');
  const std::string bang = "!!!!!!!!!!!!!!!!!!!!!!!!!! \r\n";
  const size_t at = out.find(bang + "cvlog: can not open log file " + path);
  ASSERT_NE(at, std::string::npos) << out;
  EXPECT_NE(out.find(".log. \r\n" + bang, at), std::string::npos) << out;
  EXPECT_EQ(out.find("can not open", at + bang.size() + 20), std::string::npos) << out;  // once
  EXPECT_FALSE(manager_.Entry(0).outfile);
  EXPECT_EQ(manager_.TotalPopCount(), manager_.TotalPushCount());
}

TEST(LogFileReserve, FilesOpenedLongerThanTheReserveTimeAreDeletedOnceMoreThanSevenWereOpened) {
  cvlog_test::ScopedTimeZone utc("UTC0");
  cvlog_test::TempDir dir;
  cvlog_test::ManualClock clock(Utc(2027, 2, 1, 0, 0, 0));
  cvlog::LogManager manager("cvl_qx", clock.Reader());
  cvlog_test::QuietMain(manager, dir.folder());
  manager.SetName(0, "log");
  manager.SetReserveTime(0, 1);
  ASSERT_TRUE(manager.Start());
  for (int day = 1; day <= 9; ++day) SubmitAt(manager, 0, Utc(2027, 1, day, 12, 0, 0), "day");
  ASSERT_TRUE(cvlog_test::WaitForIdleWriter(manager));
  EXPECT_EQ(ListFiles(dir.path()).size(), 10u);  // the start-up lines' file and nine days
  clock.Advance(2);
  SubmitAt(manager, 0, Utc(2027, 1, 10, 12, 0, 0), "day");
  ASSERT_TRUE(manager.Stop());
  EXPECT_EQ(ListFiles(dir.path()), (Files{"cvl_qx_log_202701101200_000.log"}));
}

// Days of 23 and 25 hours: the file changes at the real local midnight and only there.
TEST(LogFileDays, RollOverFollowsDaylightSavingDays) {
#if defined(_WIN32)
  GTEST_SKIP() << "the Windows C runtime's TZ takes no POSIX daylight-saving rules";
#endif
  cvlog_test::ScopedTimeZone berlin(cvlog_test::kBerlin);
  cvlog_test::TempDir dir;
  cvlog::LogManager manager("cvl_qx");
  cvlog_test::QuietMain(manager, dir.folder());
  manager.SetName(0, "log");
  ASSERT_TRUE(manager.Start());
  SubmitAt(manager, 0, Utc(2026, 3, 28, 23, 10, 0), "00:10 on the short day");
  SubmitAt(manager, 0, Utc(2026, 3, 29, 21, 50, 0), "23:50 on the short day");
  SubmitAt(manager, 0, Utc(2026, 3, 29, 22, 30, 0), "00:30 the day after");
  SubmitAt(manager, 0, Utc(2026, 10, 24, 22, 10, 0), "00:10 on the long day");
  SubmitAt(manager, 0, Utc(2026, 10, 25, 22, 30, 0), "23:30 on the long day");
  SubmitAt(manager, 0, Utc(2026, 10, 25, 23, 10, 0), "00:10 the day after");
  manager.Stop();

  Files names;
  for (const std::string& name : ListFiles(dir.path())) {
    const auto lines = TextLines(ReadFile(dir.path() / name));
    if (lines.empty()) continue;
    names.push_back(name + " " + std::to_string(lines.size()));
  }
  EXPECT_EQ(names, (Files{"cvl_qx_log_202603290010_000.log 2", "cvl_qx_log_202603300030_000.log 1",
                          "cvl_qx_log_202610250010_000.log 2", "cvl_qx_log_202610260010_000.log 1"}));
}

// The file is replaced whole, as an editor saves it, so that the writer never reads half a text.
void ReplaceConfig(const cvlog_test::fs::path& file, const std::string& text) {
  const auto next = file.string() + ".next";
  std::ofstream(next, std::ios::binary | std::ios::trunc) << text;
  cvlog_test::fs::rename(next, file);
}

// The writer re-reads the file once the interval has passed on its clock, and never for an
// interval below zero.
TEST(LogFileConfig, AutoReloadRereadsTheFileWhileTheWriterRunsOnlyForAPositiveInterval) {
  for (const int interval : {1, -1}) {
    SCOPED_TRACE(interval);
    cvlog_test::TempDir dir;
    const auto file = dir.path() / "log.conf";
    const std::string head = "[Main]\npath=" + dir.folder() + "\ndisplay=0\nfileline=0\n";
    ReplaceConfig(file, head);
    cvlog_test::ManualClock clock(1000);
    cvlog::LogManager manager("p", clock.Reader());
    ASSERT_TRUE(manager.Config(file.string().c_str()));
    manager.SetAutoReload(interval);
    ASSERT_TRUE(manager.Start());
    ReplaceConfig(file, head + "level=error\n");
    clock.Advance(2);
    // The first idle round after the clock moved re-reads the file and queues the change, which
    // the writer has applied before its next idle round.
    ASSERT_TRUE(cvlog_test::WaitForIdleWriter(manager));
    EXPECT_EQ(manager.ShouldLog(0, cvlog::LOG_WARN), interval < 0);
    manager.Stop();
  }
}

// A link planted at the next file's name, or a pipe there, is neither followed nor waited on: the
// open fails as any other, and the link's target stays as it was.
TEST_F(LogFiles, ANamePlantedWhereTheNextFileGoesIsNotOpened) {
#if defined(_WIN32)
  GTEST_SKIP() << "symbolic links and named pipes in the file system are POSIX facilities";
#else
  const std::string target = (dir_.path() / "elsewhere").string();
  std::ofstream(target) << "precious\n";
  const auto planted = dir_.path() / "cvl_qx_log_203105140905_000.log";
  for (const bool link : {true, false}) {
    SCOPED_TRACE(link ? "symbolic link" : "pipe");
    std::error_code ignored;
    cvlog_test::fs::remove(planted, ignored);
    if (link) {
      cvlog_test::fs::create_symlink(target, planted);
    } else {
      ASSERT_EQ(mkfifo(planted.c_str(), 0600), 0);
    }
    cvlog::LogManager manager("cvl_qx");
    cvlog_test::QuietMain(manager, dir_.folder());
    manager.SetName(0, "log");
    ASSERT_TRUE(manager.Start());
    CaptureStdout();
    SubmitAt(manager, 0, Utc(2031, 5, 14, 9, 5, 0), "line");
    SubmitAt(manager, 0, Utc(2031, 5, 14, 9, 5, 0), "line");
    ASSERT_TRUE(manager.Stop());
    const std::string out = cvlog_test::CapturedConsole();
    EXPECT_NE(out.find("cvlog: can not open log file " + dir_.folder() + planted.filename().string() + ". \r\n"),
              std::string::npos)
        << out;
    EXPECT_FALSE(manager.Entry(0).outfile);
    EXPECT_EQ(ReadFile(target), "precious\n");
  }
#endif
}

// The idle writer flushes what it wrote, so the file can be read while the writer runs; the file
// is not inherited by programs the process starts; and switching the logger off closes it.
TEST_F(LogFiles, AnIdleWriterFlushesItsFilesAndClosesTheOnesSwitchedOff) {
  StartWriter();
  SubmitAt(manager_, 0, Utc(2031, 5, 14, 9, 5, 0), "flushed while running");
  ASSERT_TRUE(cvlog_test::WaitForIdleWriter(manager_));
  const auto file = dir_.path() / "cvl_qx_log_203105140905_000.log";
  const auto lines = TextLines(ReadFile(file));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].ends_with(" flushed while running"));
#if !defined(_WIN32)
  // The descriptors are looked up in /proc; Windows creates its handles uninheritable anyway.
  const std::vector<int> open = cvlog_test::DescriptorsOn(file);
  ASSERT_EQ(open.size(), 1u);
  EXPECT_TRUE(cvlog_test::ClosedOnExec(open[0]));
#endif

  manager_.SetEnabled(0, false);
  ASSERT_TRUE(cvlog_test::WaitForIdleWriter(manager_));
  EXPECT_FALSE(manager_.ShouldLog(0, cvlog::LOG_FATAL));
#if !defined(_WIN32)
  EXPECT_TRUE(cvlog_test::DescriptorsOn(file).empty());
#endif
  StopWriter();
}

}  // namespace
