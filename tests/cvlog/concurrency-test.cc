#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cvlog-fixtures.h"
#include "util/cvlog/log-manager.h"

namespace {

using cvlog_test::ListFiles;
using cvlog_test::ReadFile;
using cvlog_test::TextLines;

// Producers on several threads and two loggers, with queued setters in between: every line arrives once, whole, and in its thread's order.
TEST(Concurrency, ManyThreadsLoseNoLineAndInterleaveNoBytes) {
  constexpr int kThreads = 6;
  constexpr int kLines = 4000;
  cvlog_test::TempDir dir;
  cvlog::LogManager manager("p");
  cvlog_test::QuietMain(manager, dir.folder("main"));
  const int other = manager.CreateLogger("other");
  manager.SetPath(other, dir.folder("other").c_str());
  manager.SetDisplay(other, false);
  manager.SetFileLine(other, false);
  ASSERT_TRUE(manager.Start());
  const std::uint64_t announced = manager.TotalPushCount();  // the writer's own first lines

  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const int id = t % 2 == 0 ? 0 : other;
      const std::string padding(40 + t * 7, static_cast<char>('a' + t));
      for (int i = 0; i < kLines; ++i) {
        LOG_LINE_ON(&manager, id, cvlog::LOG_INFO, "t=", t, " i=", i, " ", padding, " end");
        if (i % 1000 == 0) manager.SetMonthDir(id, false);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  ASSERT_TRUE(manager.Stop());

  std::vector<int> next(kThreads, 0);
  for (const char* sub : {"main", "other"}) {
    for (const std::string& name : ListFiles(dir.path() / sub)) {
      for (const std::string& line : TextLines(ReadFile(dir.path() / sub / name))) {
        int t = -1;
        int i = -1;
        ASSERT_EQ(std::sscanf(line.c_str() + line.find("] LOG_INFO t=") + 11, "t=%d i=%d", &t, &i), 2) << line;
        ASSERT_GE(t, 0);
        ASSERT_LT(t, kThreads);
        EXPECT_EQ(i, next[t]) << line;
        next[t] = i + 1;
        const std::string tail = " " + std::string(40 + t * 7, static_cast<char>('a' + t)) + " end";
        EXPECT_TRUE(line.ends_with(tail)) << line;
      }
    }
  }
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next[t], kLines) << "thread " << t;
  EXPECT_EQ(manager.TotalPushCount() - announced, static_cast<std::uint64_t>(kThreads) * kLines);
  EXPECT_EQ(manager.TotalWriteCount(), manager.TotalPopCount());
}

}  // namespace
