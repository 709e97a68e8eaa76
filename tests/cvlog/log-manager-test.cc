#include <gtest/gtest.h>

#include <string>

#include "cvlog-fixtures.h"
#include "util/cvlog/log-manager.h"

namespace {

using cvlog_test::ListFiles;
using cvlog_test::ReadFile;
using cvlog_test::TextLines;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

// What follows the header (date, time, thread, level).
std::string Body(const std::string& line) {
  const size_t level = line.find("] LOG_");
  const size_t blank = line.find(' ', level + 2);
  return blank == std::string::npos ? line : line.substr(blank + 1);
}

// The text of every line written into the one file of a folder (or of a sub-folder of it).
std::vector<std::string> OnlyFileLines(const cvlog_test::TempDir& dir, const std::string& sub = "") {
  const auto folder = dir.path() / sub;
  const auto files = ListFiles(folder);
  EXPECT_EQ(files.size(), 1u) << folder;
  if (files.empty()) return {};
  return TextLines(ReadFile(folder / files[0]));
}

TEST(LogManager, OnlyLinesBetweenStartAndStopAreWritten) {
  cvlog_test::TempDir dir;
  cvlog::LogManager manager("p");
  cvlog_test::QuietMain(manager, dir.folder());
  LOG_LINE_ON(&manager, 0, cvlog::LOG_INFO, "before start");
  ASSERT_TRUE(manager.Start());
  LOG_LINE_ON(&manager, 0, cvlog::LOG_INFO, "while running ", 1);
  LOG_LINE_ON(&manager, 0, cvlog::LOG_DEBUG, "at the logger's level");
  LOG_LINE_ON(&manager, 0, cvlog::LOG_TRACE, "below the logger's level");
  ASSERT_TRUE(manager.Stop());
  LOG_LINE_ON(&manager, 0, cvlog::LOG_INFO, "after stop");
  EXPECT_FALSE(manager.ShouldLog(0, cvlog::LOG_FATAL));

  const auto lines = OnlyFileLines(dir);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(Body(lines[0]), "while running 1");
  EXPECT_EQ(Body(lines[1]), "at the logger's level");
  EXPECT_EQ(manager.TotalPopCount(), manager.TotalPushCount());
  EXPECT_EQ(manager.TotalWriteCount(), manager.TotalPushCount());
}

TEST(LogManager, WriterAnnouncesItselfAndTheEnabledLoggers) {
  cvlog_test::TempDir dir;
  cvlog::LogManager manager("p");
  cvlog_test::QuietMain(manager, dir.folder());
  manager.CreateLogger("net");
  manager.SetEnabled(1, false);
  ASSERT_TRUE(manager.Start());
  ASSERT_TRUE(manager.Stop());
  const std::string content = ReadFile(dir.path() / ListFiles(dir.path()).at(0));
  EXPECT_NE(content.find(" LOG_ALARM -----------------  cvlog thread started!   ----------------------------\r\n"),
            std::string::npos);
  EXPECT_NE(content.find(" LOG_ALARM logger id=0 key=Main name=Main path=" + dir.folder() + " level=1 display=false\r\n"),
            std::string::npos);
  EXPECT_EQ(content.find("key=net"), std::string::npos);
}

// Lines of the other tests show the suffix switched off: their text ends the line.
TEST(LogManager, FileAndLineSuffixNamesOnlyTheLastPathComponent) {
  cvlog_test::TempDir dir;
  cvlog::LogManager manager("p");
  cvlog_test::QuietMain(manager, dir.folder());
  manager.SetFileLine(0, true);
  ASSERT_TRUE(manager.Start());
  for (const char* file : {"C:\\src\\ui\\MainDlg", "/src/ui/MainDlg", "MainDlg", "src/"}) {
    manager.SubmitRecord(manager.AcquireRecord(0, cvlog::LOG_INFO), file, 406);
  }
  manager.SubmitRecord(manager.AcquireRecord(0, cvlog::LOG_INFO), nullptr, 406);
  ASSERT_TRUE(manager.Stop());

  const auto lines = OnlyFileLines(dir);
  ASSERT_EQ(lines.size(), 5u);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(lines[i].ends_with("] LOG_INFO  MainDlg:406")) << lines[i];
  EXPECT_TRUE(lines[3].ends_with("] LOG_INFO  :406")) << lines[3];
  EXPECT_TRUE(lines[4].ends_with("] LOG_INFO ")) << lines[4];
}

TEST(LogManager, AFullRecordEndsInCrLfAndNulAtTheEnd) {
  cvlog_test::TempDir dir;
  cvlog::LogManager manager("p");
  cvlog_test::QuietMain(manager, dir.folder());
  manager.SetFileLine(0, true);
  ASSERT_TRUE(manager.Start());
  const std::string filler(9000, 'x');
  LOG_LINE_ON(&manager, 0, cvlog::LOG_INFO, filler, 12345);
  cvlog::LogRecord* record = manager.AcquireRecord(0, cvlog::LOG_INFO);
  record->contentLength = cvlog::kContentSize;
  std::fill(record->content, record->content + cvlog::kContentSize, 'y');
  ASSERT_TRUE(manager.SubmitRecord(record, "MainDlg", 406));
  EXPECT_EQ(record->contentLength, 8191);
  EXPECT_EQ(std::string(record->content + 8189, 3), std::string("\r\n\0", 3));
  ASSERT_TRUE(manager.Stop());

  const auto lines = OnlyFileLines(dir);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), 8189u);
  EXPECT_EQ(lines[0].back(), 'x');  // the number and the suffix found no room
  EXPECT_EQ(lines[1], std::string(8189, 'y'));
}

TEST(LogManager, CreateLoggerUpToLoggerMax) {
  cvlog::LogManager manager("p");
  for (int id = 1; id < cvlog::LOGGER_MAX; ++id) {
    EXPECT_EQ(manager.CreateLogger(("logger" + std::to_string(id)).c_str()), id);
  }
  EXPECT_EQ(manager.CreateLogger(" logger7\r\n"), 7);
  EXPECT_EQ(manager.CreateLogger("Main"), 0);
  EXPECT_EQ(manager.CreateLogger(nullptr), -1);
  CaptureStdout();
  EXPECT_EQ(manager.CreateLogger("one too many"), -1);
  EXPECT_EQ(cvlog_test::CapturedConsole(), "cvlog: CreateLogger can not create|writeover, because loggerid need < LOGGER_MAX! \r\n");
  EXPECT_EQ(manager.ActiveLoggerCount(), cvlog::LOGGER_MAX);
  EXPECT_EQ(manager.LookupLogger("logger19"), 19);
  EXPECT_EQ(manager.LookupLogger(" logger19"), -1);
  EXPECT_EQ(manager.Entry(5).name, "logger5");
}

TEST(LogManager, SettersRefuseBadIdsAndEmptyTexts) {
  cvlog::LogManager manager("p");
  manager.CreateLogger("a");
  for (int id : {-1, 2, cvlog::LOGGER_MAX}) {
    SCOPED_TRACE(id);
    EXPECT_FALSE(manager.SetEnabled(id, true));
    EXPECT_FALSE(manager.SetLevel(id, 2));
    EXPECT_FALSE(manager.SetFileLine(id, true));
    EXPECT_FALSE(manager.SetDisplay(id, true));
    EXPECT_FALSE(manager.SetOutFile(id, true));
    EXPECT_FALSE(manager.SetLimitSize(id, 1));
    EXPECT_FALSE(manager.SetMonthDir(id, true));
    EXPECT_FALSE(manager.SetReserveTime(id, 1));
    EXPECT_FALSE(manager.SetName(id, "n"));
    EXPECT_FALSE(manager.IsEnabled(id));
    EXPECT_FALSE(manager.ShouldLog(id, cvlog::LOG_FATAL));
  }
  EXPECT_FALSE(manager.SetName(1, nullptr));
  EXPECT_FALSE(manager.SetName(1, ""));
  EXPECT_FALSE(manager.SetPath(1, ""));
  EXPECT_FALSE(manager.SetPath(1, std::string(8192, 'p').c_str()));
  EXPECT_EQ(manager.Entry(1).name, "a");
  EXPECT_EQ(manager.Entry(1).path, "./log/");
}

TEST(LogManager, SettersBeforeStartApplyAtOnce) {
  cvlog::LogManager manager("p");
  ASSERT_TRUE(manager.SetPath(0, "logs"));
  EXPECT_EQ(manager.Entry(0).path, "logs/");
  ASSERT_TRUE(manager.SetPath(0, "C:\\logs\\"));
  EXPECT_EQ(manager.Entry(0).path, "C:\\logs\\");
  ASSERT_TRUE(manager.SetLimitSize(0, 0));
  EXPECT_EQ(manager.Entry(0).limitsize, 0xFFFFFFFFu);
  ASSERT_TRUE(manager.SetReserveTime(0, -5));
  EXPECT_EQ(manager.Entry(0).reserveTime, 0);
  ASSERT_TRUE(manager.SetReserveTime(0, 86400));
  EXPECT_EQ(manager.Entry(0).reserveTime, 86400);
  ASSERT_TRUE(manager.SetEnabled(0, false));
  EXPECT_FALSE(manager.IsEnabled(0));
  EXPECT_EQ(manager.ActiveLoggerCount(), 0);
  EXPECT_TRUE(manager.SetAutoReload(5));
}

TEST(LogManager, StartTwiceAndStopTwice) {
  cvlog_test::TempDir dir;
  cvlog::LogManager manager("p");
  cvlog_test::QuietMain(manager, dir.folder());
  EXPECT_FALSE(manager.Stop());
  ASSERT_TRUE(manager.Start());
  CaptureStdout();
  EXPECT_FALSE(manager.Start());
  EXPECT_EQ(cvlog_test::CapturedConsole(), "cvlog already start \r\n");
  CaptureStdout();
  EXPECT_TRUE(manager.Stop());
  EXPECT_EQ(cvlog_test::CapturedConsole(), "cvlog stopping \r\n");
  EXPECT_FALSE(manager.Stop());
  EXPECT_FALSE(manager.IsEnabled(0));  // the writer switches every logger off as it ends
  EXPECT_EQ(manager.PoolSize(), 0u);
}

// Stop switches every logger off; Start switches back on the ones it found on, and leaves alone
// the ones that were decided about in between.
TEST(LogManager, ARestartLogsAgainExceptWhereASetterDecidedInBetween) {
  cvlog_test::TempDir dir;
  cvlog::LogManager manager("p");
  // The launcher's way back in: the same text again, which changes nothing the second time.
  const std::string config = "[Main]\npath=" + dir.folder("main") + "\ndisplay=0\nfileline=0\n";
  ASSERT_TRUE(manager.ConfigFromText(config.c_str()));
  const int off = manager.CreateLogger("off");
  const int on = manager.CreateLogger("on");
  for (int id : {off, on}) {
    manager.SetPath(id, dir.folder(manager.Entry(id).key).c_str());
    manager.SetDisplay(id, false);
    manager.SetFileLine(id, false);
  }
  manager.SetEnabled(on, false);
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    ASSERT_TRUE(manager.Start());
    EXPECT_TRUE(manager.IsEnabled(0));
    EXPECT_EQ(manager.IsEnabled(off), run == 1);
    EXPECT_EQ(manager.IsEnabled(on), run == 2);
    for (int id : {0, off, on}) LOG_LINE_ON(&manager, id, cvlog::LOG_INFO, "run ", run);
    ASSERT_TRUE(manager.Stop());
    EXPECT_EQ(manager.ActiveLoggerCount(), 0);
    manager.SetEnabled(off, false);
    manager.SetEnabled(on, true);
    ASSERT_TRUE(manager.ConfigFromText(config.c_str()));
  }
  EXPECT_EQ(cvlog_test::CountTextLines(dir.path() / "main"), 2u);
  const auto off1 = OnlyFileLines(dir, "off");
  const auto on2 = OnlyFileLines(dir, "on");
  ASSERT_EQ(off1.size(), 1u);
  ASSERT_EQ(on2.size(), 1u);
  EXPECT_EQ(Body(off1[0]), "run 1");
  EXPECT_EQ(Body(on2[0]), "run 2");
}

// The statement is a macro: an id or level with a side effect must still happen once.
TEST(LogManager, LogLineEvaluatesManagerIdAndLevelOnce) {
  cvlog_test::TempDir dir;
  cvlog::LogManager manager("p");
  cvlog_test::QuietMain(manager, dir.folder());
  ASSERT_TRUE(manager.Start());
  int managers = 0;
  int ids = 0;
  int levels = 0;
  int pieces = 0;
  const auto piece = [&] { return ++pieces; };
  LOG_LINE_ON((++managers, &manager), (++ids, 0), (++levels, cvlog::LOG_INFO), "kept ", piece());
  LOG_LINE_ON((++managers, &manager), (++ids, 0), (++levels, cvlog::LOG_TRACE), "dropped ", piece());
  ASSERT_TRUE(manager.Stop());
  EXPECT_EQ(managers, 2);
  EXPECT_EQ(ids, 2);
  EXPECT_EQ(levels, 2);
  EXPECT_EQ(pieces, 1);
  EXPECT_EQ(Body(OnlyFileLines(dir).at(0)), "kept 1");
}

// Changes made while the writer runs take effect between the lines queued before and after them.
TEST(LogManager, ChangesWhileRunningApplyInOrderWithTheLines) {
  cvlog_test::TempDir dir;
  cvlog::LogManager manager("p");
  cvlog_test::QuietMain(manager, dir.folder());
  manager.SetName(0, "first");
  ASSERT_TRUE(manager.Start());
  LOG_LINE_ON(&manager, 0, cvlog::LOG_INFO, "info before the level rose");
  manager.SetLevel(0, cvlog::LOG_ERROR);
  manager.SetName(0, "second");
  LOG_LINE_ON(&manager, 0, cvlog::LOG_ERROR, "error after");
  manager.SubmitRecord(manager.AcquireRecord(0, cvlog::LOG_INFO), nullptr, 0);  // passes the producer's test
  manager.SetLevel(0, cvlog::LOG_DEBUG);
  EXPECT_TRUE(manager.ShouldLog(0, cvlog::LOG_DEBUG));  // lowering acts at once
  ASSERT_TRUE(manager.Stop());

  const auto files = ListFiles(dir.path());
  ASSERT_EQ(files.size(), 2u);
  ASSERT_NE(files[0].find("p_first_"), std::string::npos);
  ASSERT_NE(files[1].find("p_second_"), std::string::npos);
  const auto first = TextLines(ReadFile(dir.path() / files[0]));
  const auto second = TextLines(ReadFile(dir.path() / files[1]));
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(Body(first[0]), "info before the level rose");
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(Body(second[0]), "error after");
}

TEST(LogManager, DisplayCopiesLinesToStandardOutput) {
  cvlog_test::TempDir dir;
  cvlog::LogManager manager("p");
  cvlog_test::QuietMain(manager, dir.folder());
  manager.SetOutFile(0, false);
  ASSERT_TRUE(manager.Start());
  CaptureStdout();
  manager.SetDisplay(0, true);
  LOG_LINE_ON(&manager, 0, cvlog::LOG_WARN, "shown");
  LOG_LINE_ON(&manager, 0, cvlog::LOG_DEBUG, "shown plain");
  ASSERT_TRUE(manager.Stop());
  const std::string out = cvlog_test::CapturedConsole();
  EXPECT_NE(out.find(" LOG_WARN shown\r\n"), std::string::npos) << out;
  EXPECT_NE(out.find(" LOG_DEBUG shown plain\r\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("\x1b["), std::string::npos);  // no colour codes into a pipe
  EXPECT_TRUE(ListFiles(dir.path()).empty());
}

TEST(LogManager, RecordsAreRecycledThroughThePool) {
  cvlog_test::TempDir dir;
  cvlog::LogManager manager("p");
  cvlog_test::QuietMain(manager, dir.folder());
  for (int i = 0; i < 300; ++i) manager.ReleaseRecord(manager.AcquireRecord(0, cvlog::LOG_INFO));
  EXPECT_EQ(manager.PoolSize(), 1u);
  std::vector<cvlog::LogRecord*> records;
  for (int i = 0; i < 250; ++i) records.push_back(manager.AcquireRecord(0, cvlog::LOG_INFO));
  for (cvlog::LogRecord* record : records) manager.ReleaseRecord(record);
  EXPECT_EQ(manager.PoolSize(), cvlog::LogManager::kPoolMax);
}

}  // namespace
