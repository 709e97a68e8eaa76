#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

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

}  // namespace
