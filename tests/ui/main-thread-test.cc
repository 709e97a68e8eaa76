// The dispatch helper over a bare GLib main loop on the test's main thread (the "GUI thread").
#include <gtest/gtest.h>
#include <glib.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "ui/main-thread.h"

namespace ui {
namespace {

using namespace std::chrono_literals;

// Iterates the default context until `done` or the time is up.
template <typename Pred>
bool Pump(Pred done, std::chrono::milliseconds limit = 5000ms) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    g_main_context_iteration(nullptr, FALSE);
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

TEST(Lifeline, WorkerCallRunsOnTheGuiThreadAndWaitsForIt) {
  auto life = Lifeline::Create();
  const std::thread::id gui = std::this_thread::get_id();
  std::atomic<bool> ranOnGui{false}, returned{false}, result{false};
  int value = 0;  // touched by the GUI thread only while the worker waits

  std::thread worker([&] {
    result = life->Call([&] {
      ranOnGui = std::this_thread::get_id() == gui;
      value = 42;
    });
    EXPECT_EQ(value, 42);  // the call came back only after it had run
    returned = true;
  });
  ASSERT_TRUE(Pump([&] { return returned.load(); }));
  worker.join();
  EXPECT_TRUE(result);
  EXPECT_TRUE(ranOnGui);
}

TEST(Lifeline, OnTheGuiThreadItRunsAtOnce) {
  auto life = Lifeline::Create();
  bool ran = false;
  EXPECT_TRUE(life->Call([&] { ran = true; }));
  EXPECT_TRUE(ran);
  life->Close();
  ran = false;
  EXPECT_FALSE(life->Call([&] { ran = true; }));
  EXPECT_FALSE(ran);
}

TEST(Lifeline, ClosingLetsAWaitingWorkerGoAndDropsItsCall) {
  auto life = Lifeline::Create();
  std::atomic<bool> started{false}, returned{false}, ran{false}, result{true};
  std::thread worker([&] {
    started = true;
    result = life->Call([&] { ran = true; });
    returned = true;
  });
  // The GUI thread does not run its loop: the call stays queued until the dialog goes away.
  while (!started) std::this_thread::sleep_for(1ms);
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(returned);
  life->Close();
  worker.join();
  EXPECT_FALSE(result);
  // The queued call now finds the lifeline closed and does nothing.
  Pump([] { return !g_main_context_pending(nullptr); });
  EXPECT_FALSE(ran);
}

TEST(Lifeline, AfterCloseWorkersReturnAtOnce) {
  auto life = Lifeline::Create();
  life->Close();
  std::atomic<bool> ran{false};
  bool result = true;
  std::thread worker([&] { result = life->Call([&] { ran = true; }); });
  worker.join();  // would hang if the call waited for a loop that nobody runs
  EXPECT_FALSE(result);
  Pump([] { return !g_main_context_pending(nullptr); });
  EXPECT_FALSE(ran);
}

TEST(Lifeline, ManyWorkersEachGetTheirAnswer) {
  auto life = Lifeline::Create();
  constexpr int kWorkers = 4, kCalls = 200;
  int total = 0;  // GUI thread only
  std::atomic<int> finished{0};
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&] {
      for (int i = 0; i < kCalls; ++i) EXPECT_TRUE(life->Call([&] { ++total; }));
      ++finished;
    });
  }
  ASSERT_TRUE(Pump([&] { return finished.load() == kWorkers; }, 20000ms));
  for (auto& t : workers) t.join();
  EXPECT_EQ(total, kWorkers * kCalls);
}

}  // namespace
}  // namespace ui
