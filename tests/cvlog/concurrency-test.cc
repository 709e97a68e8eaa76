#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
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
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

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

// Two producers keep logging while Stop runs beside them: every line that SubmitRecord accepted
// is in a file when Stop returns. Run many times, since the moment of Stop lands anywhere.
TEST(Concurrency, EveryLineAcceptedBesideStopReachesTheFile) {
  constexpr int kRuns = 400;
  cvlog_test::TempDir dir;
  std::uint64_t accepted = 0;
  CaptureStdout();  // "cvlog stopping", once a run
  for (int run = 0; run < kRuns; ++run) {
    cvlog::LogManager manager("p");
    cvlog_test::QuietMain(manager, dir.folder());
    ASSERT_TRUE(manager.Start());
    const std::uint64_t announced = manager.TotalPushCount();
    std::atomic<std::uint64_t> taken{0};
    std::vector<std::thread> producers;
    for (int t = 0; t < 2; ++t) {
      producers.emplace_back([&] {
        while (manager.SubmitRecord(manager.AcquireRecord(0, cvlog::LOG_INFO), nullptr, 0)) taken.fetch_add(1);
      });
    }
    ASSERT_TRUE(cvlog_test::WaitUntil([&] { return taken.load() >= 20; }));
    ASSERT_TRUE(manager.Stop());
    for (std::thread& producer : producers) producer.join();
    ASSERT_EQ(manager.TotalPushCount() - announced, taken.load());
    accepted += taken.load();
  }
  cvlog_test::CapturedConsole();
  EXPECT_EQ(cvlog_test::CountTextLines(dir.path()), accepted);
}

// Back-pressure: with the writer held, the queue grows past its mark and producers start to sleep;
// once the writer goes on, every line still arrives.
TEST(Concurrency, ProducersSleepWhileTheWriterIsHeldAndLoseNothing) {
  cvlog_test::TempDir dir;
  cvlog_test::ManualClock clock(1000);
  cvlog::LogManager manager("p", clock.Reader());
  cvlog_test::QuietMain(manager, dir.folder());
  manager.SetAutoReload(1);  // the writer reads its clock in every idle round
  ASSERT_TRUE(manager.Start());
  const std::uint64_t announced = manager.TotalPushCount();
  clock.Hold();
  ASSERT_TRUE(cvlog_test::WaitUntil([&] { return clock.SomeoneWaits(); }));
  std::uint64_t lines = 0;
  while (manager.BackPressureSleeps() == 0 && lines < 30000) {  // half of the calls sleep by then
    LOG_LINE_ON(&manager, 0, cvlog::LOG_INFO, "line ", lines);
    ++lines;
  }
  EXPECT_GT(manager.BackPressureSleeps(), 0u);
  EXPECT_GT(manager.PeakQueueDepth(), cvlog::LogManager::kBackPressureStart);
  EXPECT_GT(lines, cvlog::LogManager::kBackPressureStart);
  clock.Release();
  ASSERT_TRUE(manager.Stop());
  EXPECT_EQ(manager.TotalPushCount() - announced, lines);
  EXPECT_EQ(cvlog_test::CountTextLines(dir.path()), lines);
}

// Setters, configuration texts and re-reads come from other threads while lines flow, while the
// writer re-reads the file itself, while Stop drains and after it: nothing races (the thread
// sanitizer watches), no line is lost, and no folder outside the test's own is ever made.
TEST(Concurrency, ConfigurationFromOtherThreadsAtAnyMomentOfTheLifecycle) {
  cvlog_test::TempDir dir;
  const auto file = dir.path() / "log.conf";
  const auto textFor = [&](int variant) {
    return "[Main]\npath=" + dir.folder("logs/conf" + std::to_string(variant)) + "\nname=c" + std::to_string(variant) +
           "\ndisplay=0\nfileline=0\nmonthdir=" + std::to_string(variant % 2) + "\n";
  };
  std::ofstream(file, std::ios::binary) << textFor(0);
  cvlog_test::ManualClock clock(1000);
  clock.Step(10);  // every idle round of the writer re-reads the file
  cvlog::LogManager manager("p", clock.Reader());
  cvlog_test::QuietMain(manager, dir.folder("logs/set0"));
  manager.SetAutoReload(1);
  ASSERT_TRUE(manager.Start());

  // Both go on for a while after Stop has returned, when the changes apply at once.
  std::atomic<bool> stopped{false};
  std::atomic<int> roundsAfterStop{0};
  const auto goOn = [&] { return !stopped.load() || roundsAfterStop.fetch_add(1) < 40; };
  std::thread configurer([&] {
    manager.Config(file.string().c_str());
    for (int i = 0; goOn(); ++i) {
      const std::string next = file.string() + ".next";
      std::ofstream(next, std::ios::binary | std::ios::trunc) << textFor(i % 3);
#if defined(_WIN32)
      // Windows refuses to replace a file while the reloader has it open: that round keeps the
      // old text.
      std::error_code busy;
      cvlog_test::fs::rename(next, file, busy);
#else
      cvlog_test::fs::rename(next, file);
#endif
      manager.ConfigFromText(textFor(3 + i % 2).c_str());
      manager.SetName(0, i % 2 ? "odd" : "even");
      manager.SetPath(0, dir.folder("logs/set" + std::to_string(i % 3)).c_str());
      manager.SetMonthDir(0, i % 2 == 0);
      manager.SetLimitSize(0, 1 + i % 3);
      manager.SetReserveTime(0, 0);
      manager.SetLevel(0, cvlog::LOG_DEBUG);
      manager.SetEnabled(0, true);
    }
#if defined(_WIN32)
    std::error_code ignored;
    cvlog_test::fs::remove(file.string() + ".next", ignored);  // a last refused replacement's text
#endif
  });
  std::thread reloader([&] {
    while (goOn()) manager.ReloadConfig();
  });
  std::uint64_t accepted = 0;
  for (int i = 0; i < 3000; ++i) {
    if (manager.SubmitRecord(manager.AcquireRecord(0, cvlog::LOG_INFO), nullptr, 0)) ++accepted;
  }
  CaptureStdout();
  ASSERT_TRUE(manager.Stop());
  cvlog_test::CapturedConsole();
  stopped.store(true);
  configurer.join();
  reloader.join();

  EXPECT_EQ(accepted, 3000u);
  EXPECT_EQ(cvlog_test::CountTextLines(dir.path() / "logs"), accepted);
  for (const std::string& name : ListFiles(dir.path())) {
    EXPECT_TRUE(name == "log.conf" || name.rfind("logs/", 0) == 0) << name;
  }
  EXPECT_FALSE(cvlog_test::fs::exists("log")) << "the default folder was made in the working directory";
}

}  // namespace
