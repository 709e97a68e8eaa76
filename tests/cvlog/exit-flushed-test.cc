#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "cvlog-fixtures.h"
#include "util/cvlog/main-logger.h"

namespace {

// The process ends at once, in a child, and the line written just before is on disk.
TEST(ExitProcessFlushed, TheLastLineReachesTheFileBeforeTheProcessEnds) {
  cvlog_test::TempDir dir;
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    if (chdir(dir.path().c_str()) != 0) std::_Exit(100);
    cvlog::ILogManager* manager = cvlog::Instance();
    manager->ConfigFromText("[Main] \npath = ./cvl/logs/ \nname=log \nfileline = 0 \ndisplay=0\n");
    cvlog::g_nLogId = manager->LookupLogger("Main");
    if (!manager->Start()) std::_Exit(101);
    for (int i = 0; i < 1000; ++i) LOG_MAIN("line ", i);
    LOG_MAIN("fetch failed, code: ", 7);
    cvlog::ExitProcessFlushed(3);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3);

  const auto files = cvlog_test::ListFiles(dir.path() / "cvl/logs");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].rfind("cvlog_tests_log_", 0), 0u) << files[0];
  const auto lines = cvlog_test::TextLines(cvlog_test::ReadFile(dir.path() / "cvl/logs" / files[0]));
  ASSERT_EQ(lines.size(), 1001u);
  EXPECT_TRUE(lines.back().ends_with(" LOG_INFO fetch failed, code: 7")) << lines.back();
}

// The children below are started afresh (gtest's "threadsafe" death tests run the test program
// again), so that nothing the parent did before decides the order of their static objects. The
// parent's folder reaches the child through this variable.
constexpr char kFolderVariable[] = "CVLOG_TEST_CHILD_FOLDER";

char g_configPath[4096];
char g_logFolder[4096];

// Runs at exit after the static objects made since it was registered are gone, while the writer
// still runs: what an auto-reload at that moment does, done here at a known point.
void ReloadAtExit() {
  std::ofstream(g_configPath, std::ios::binary | std::ios::trunc)
      << "[Main]\npath=" << g_logFolder << "\ndisplay=0\nfileline=0\nlevel=info\n";
  cvlog::Instance()->ReloadConfig();
  LOG_LINE(0, cvlog::LOG_INFO, "logged at exit after the reload");
}

TEST(LoggerAtExit, AReloadDuringExitStillKnowsTheLevelWords) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  cvlog_test::TempDir dir(kFolderVariable);
  const std::string config = (dir.path() / "log.conf").string();
  const std::string logs = dir.folder("logs");
  EXPECT_EXIT(
      {
        std::strncpy(g_configPath, config.c_str(), sizeof g_configPath - 1);
        std::strncpy(g_logFolder, logs.c_str(), sizeof g_logFolder - 1);
        std::ofstream(config, std::ios::binary) << "[Main]\npath=" << logs << "\ndisplay=0\nfileline=0\nlevel=error\n";
        cvlog::ILogManager* manager = cvlog::Instance();
        std::atexit(ReloadAtExit);
        if (!manager->Config(config.c_str()) || !manager->Start()) std::_Exit(2);
        std::exit(0);
      },
      testing::ExitedWithCode(0), "");
  const auto lines = cvlog_test::TextLines(cvlog_test::ReadFile(dir.path() / "logs" / cvlog_test::ListFiles(dir.path() / "logs").at(0)));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].ends_with(" LOG_INFO logged at exit after the reload")) << lines[0];
}

// Standard output into a pipe that nobody reads, and into one whose reader has gone: the console
// copy is dropped, the writer still writes every line to its file, and Stop returns. (A writer
// stuck on the pipe would be ended by the alarm, and the death test would fail.)
TEST(LoggerConsole, AStuckOrBrokenStandardOutputCostsNoFileLine) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  constexpr int kLines = 3000;  // some 300 KB: several times what a pipe holds
  for (const bool readerGone : {false, true}) {
    SCOPED_TRACE(readerGone ? "reader gone" : "nobody reads");
    cvlog_test::TempDir dir(kFolderVariable);
    const std::string logs = dir.folder("logs");
    EXPECT_EXIT(
        {
          alarm(120);
          int out[2];
          if (pipe(out) != 0) std::_Exit(2);
          if (readerGone) close(out[0]);
          std::fflush(stdout);
          dup2(out[1], STDOUT_FILENO);
          cvlog::LogManager manager("p");
          manager.SetPath(0, logs.c_str());
          manager.SetFileLine(0, false);
          if (!manager.Start()) std::_Exit(3);
          for (int i = 0; i < kLines; ++i) LOG_LINE_ON(&manager, 0, cvlog::LOG_INFO, "line ", i, " of some length, shown and kept");
          if (!manager.Stop()) std::_Exit(4);
          std::_Exit(0);  // stdio's own buffer for standard output is not flushed into the pipe
        },
        testing::ExitedWithCode(0), "");
    const auto files = cvlog_test::ListFiles(dir.path() / "logs");
    std::uint64_t lines = 0;
    for (const std::string& name : files) lines += cvlog_test::TextLines(cvlog_test::ReadFile(dir.path() / "logs" / name)).size();
    EXPECT_EQ(lines, static_cast<std::uint64_t>(kLines));
  }
}

}  // namespace
