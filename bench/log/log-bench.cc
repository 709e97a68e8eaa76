// log_bench: the same lines through cvlog and through spdlog's asynchronous file logger, with one
// and with two producer threads. Each case runs in a child process of its own, so that its peak
// memory is its own and no logger's state is left for the next one.
//
//   log_bench [total lines, default 2000000] [cvlog|spdlog|spdlog20000: only that case, for profiling]
//
// spdlog runs twice: with its default queue of 8192 messages, and with a queue of 20000, as deep as
// the queue that cvlog lets grow before its producers are slowed down; the ratios compare cvlog
// with the second, equal bounds. Each case runs three times, the loggers taking turns, and the run
// of median throughput is printed: on a shared machine one run alone says more about its
// neighbours than about a logger.
//
// Figures per case, measured the same way for every logger: lines per second end to end (from the
// first call until every line is in its file and the file is closed: cvlog's Stop, spdlog's
// shutdown), the producers' per-call latency (median, 99th percentile, maximum), how many calls
// took longer than 10 us (a producer that waited for room or slept), the deepest queue, the peak
// resident memory of the child and what reached the file. cvlog counts its queue's depth and its
// producers' back-pressure sleeps itself; spdlog's queue is sampled every millisecond.
#include <spdlog/async.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "util/cvlog/log-manager.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// About 100 bytes per line on disk with either logger's header.
const std::string kPayload = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::uint32_t kSlowCallNs = 10000;

enum class Logger { cvlog, spdlog, spdlog20000 };
const char* NameOf(Logger logger) {
  switch (logger) {
    case Logger::cvlog:
      return "cvlog";
    case Logger::spdlog:
      return "spdlog";
    case Logger::spdlog20000:
      return "spdlog20000";
  }
  return "";
}

struct Result {
  double seconds = 0;
  double medianNs = 0;
  double p99Ns = 0;
  double maxNs = 0;
  std::uint64_t slowCalls = 0;
  std::uint64_t sleeps = 0;  // cvlog only
  std::uint64_t deepestQueue = 0;
  long peakKb = 0;
  long baseKb = 0;
  std::uint64_t fileBytes = 0;
  std::uint64_t fileLines = 0;
  std::uint64_t expectedLines = 0;
};

long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::string(field).size());
  }
  return -1;
}

void CountFiles(const fs::path& folder, Result& result) {
  std::vector<char> buffer(1 << 20);
  for (const auto& item : fs::recursive_directory_iterator(folder)) {
    if (!item.is_regular_file()) continue;
    std::FILE* file = std::fopen(item.path().c_str(), "rb");
    for (size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), file)) > 0;) {
      result.fileBytes += n;
      result.fileLines += static_cast<std::uint64_t>(std::count(buffer.begin(), buffer.begin() + n, '\n'));
    }
    std::fclose(file);
  }
}

// Runs `produce(first, count, latencies)` on each producer thread, then `drain()`.
template <typename Produce, typename Drain>
Result Measure(int threads, int lines, Produce produce, Drain drain) {
  std::vector<std::vector<std::uint32_t>> latencies(threads);
  const int perThread = lines / threads;
  for (auto& l : latencies) l.assign(perThread, 0);  // touched now, so not counted as the logger's
  Result result;
  result.baseKb = StatusKb("VmRSS:");
  const auto start = Clock::now();
  std::vector<std::thread> producers;
  for (int t = 0; t < threads; ++t) {
    producers.emplace_back([&, t] { produce(t * perThread, perThread, latencies[t].data()); });
  }
  for (auto& p : producers) p.join();
  drain();
  result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  result.peakKb = StatusKb("VmHWM:");
  std::vector<std::uint32_t> all;
  for (auto& l : latencies) all.insert(all.end(), l.begin(), l.end());
  std::sort(all.begin(), all.end());
  result.medianNs = all[all.size() / 2];
  result.p99Ns = all[all.size() * 99 / 100];
  result.maxNs = all.back();
  result.slowCalls = static_cast<std::uint64_t>(all.end() - std::upper_bound(all.begin(), all.end(), kSlowCallNs));
  result.expectedLines = static_cast<std::uint64_t>(perThread) * threads;
  return result;
}

template <typename Call>
inline void Timed(std::uint32_t* slot, Call call) {
  const auto before = Clock::now();
  call();
  *slot = static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - before).count());
}

Result RunCvlog(int threads, int lines, const fs::path& folder) {
  cvlog::LogManager manager("log_bench");
  const std::string config = "[Main]\npath=" + folder.string() + "/\nname=bench\ndisplay=0\nfileline=0\n";
  manager.ConfigFromText(config.c_str());
  const std::uint64_t before = manager.TotalPushCount();
  manager.Start();
  const std::uint64_t announced = manager.TotalPushCount() - before;
  Result result = Measure(
      threads, lines,
      [&](int first, int count, std::uint32_t* latency) {
        for (int i = 0; i < count; ++i) {
          Timed(latency + i, [&] { LOG_LINE_ON(&manager, 0, cvlog::LOG_INFO, "bench line ", first + i, " payload ", kPayload); });
        }
      },
      [&] { manager.Stop(); });
  result.sleeps = manager.BackPressureSleeps();
  result.deepestQueue = manager.PeakQueueDepth();
  result.expectedLines += announced;
  return result;
}

Result RunSpdlog(int threads, int lines, const fs::path& folder, std::size_t queue) {
  spdlog::init_thread_pool(queue, 1);
  auto logger = spdlog::basic_logger_mt<spdlog::async_factory>("bench", (folder / "spdlog.log").string());
  logger->set_pattern("%Y-%m-%d %H:%M:%S.%e [%t] %l %v");
  std::atomic<bool> sampling{true};
  std::size_t deepest = 0;
  std::thread sampler([&, pool = spdlog::thread_pool()] {
    while (sampling.load(std::memory_order_relaxed)) {
      deepest = std::max(deepest, pool->queue_size());
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  Result result = Measure(
      threads, lines,
      [&](int first, int count, std::uint32_t* latency) {
        for (int i = 0; i < count; ++i) {
          Timed(latency + i, [&] { logger->info("bench line {} payload {}", first + i, kPayload); });
        }
      },
      [&] {
        sampling.store(false);
        sampler.join();
        logger.reset();
        spdlog::shutdown();  // joins the worker once its queue is empty; the last message closes the file
      });
  result.deepestQueue = deepest;
  return result;
}

Result RunCase(Logger logger, int threads, int lines) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) std::exit(1);
  const fs::path folder =
      fs::temp_directory_path() / ("log_bench_" + std::to_string(getpid()) + "_" + NameOf(logger) + std::to_string(threads));
  fs::create_directories(folder);
  const pid_t child = fork();
  if (child == 0) {
    close(pipeFds[0]);
    const int quiet = open("/dev/null", O_WRONLY);  // the loggers' own messages stay out of the tables
    if (quiet >= 0) dup2(quiet, STDOUT_FILENO);
    Result result = logger == Logger::cvlog    ? RunCvlog(threads, lines, folder)
                    : logger == Logger::spdlog ? RunSpdlog(threads, lines, folder, 8192)
                                               : RunSpdlog(threads, lines, folder, 20000);
    CountFiles(folder, result);
    if (write(pipeFds[1], &result, sizeof result) != sizeof result) _exit(1);
    _exit(0);
  }
  close(pipeFds[1]);
  Result result;
  const bool got = read(pipeFds[0], &result, sizeof result) == sizeof result;
  close(pipeFds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  fs::remove_all(folder);
  if (!got) {
    std::fprintf(stderr, "case failed\n");
    std::exit(1);
  }
  return result;
}

constexpr int kRounds = 3;

double Throughput(const Result& r) { return r.fileLines / r.seconds; }

Result Median(std::vector<Result> runs) {
  std::sort(runs.begin(), runs.end(), [](const Result& a, const Result& b) { return Throughput(a) < Throughput(b); });
  return runs[runs.size() / 2];
}

void Print(Logger logger, int threads, const Result& r) {
  std::printf(
      "%-11s %d thr %9.0f lines/s %7.3f s  median %5.0f ns  p99 %7.0f ns  max %10.0f ns  >10us %7llu  sleeps %5llu  "
      "deepest queue %6llu  peak %6.1f MB (base %4.1f)  file %5.1f MB %8llu lines%s\n",
      NameOf(logger), threads, Throughput(r), r.seconds, r.medianNs, r.p99Ns, r.maxNs,
      static_cast<unsigned long long>(r.slowCalls), static_cast<unsigned long long>(r.sleeps),
      static_cast<unsigned long long>(r.deepestQueue), r.peakKb / 1024.0, r.baseKb / 1024.0, r.fileBytes / 1048576.0,
      static_cast<unsigned long long>(r.fileLines), r.fileLines == r.expectedLines ? "" : "  LINES MISSING");
}

void Ratio(const char* against, int threads, const Result& c, const Result& s) {
  std::printf("ratio cvlog/%-11s %d thr: throughput %.2f  median latency %.2f  p99 latency %.2f  peak memory %.2f\n", against,
              threads, Throughput(c) / Throughput(s), c.medianNs / s.medianNs, c.p99Ns / s.p99Ns,
              static_cast<double>(c.peakKb) / s.peakKb);
}

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::atoi(argv[1]) : 2000000;
  const std::string only = argc > 2 ? argv[2] : "";
  std::printf("log_bench: %d lines per case, %u hardware threads\n", lines, std::thread::hardware_concurrency());
  const Logger loggers[] = {Logger::cvlog, Logger::spdlog, Logger::spdlog20000};
  for (int threads : {1, 2}) {
    if (!only.empty()) {
      for (Logger logger : loggers) {
        if (only == NameOf(logger)) Print(logger, threads, RunCase(logger, threads, lines));
      }
      continue;
    }
    std::vector<Result> runs[3];
    for (int round = 0; round < kRounds; ++round) {
      for (int i = 0; i < 3; ++i) runs[i].push_back(RunCase(loggers[i], threads, lines));
    }
    Result median[3];
    for (int i = 0; i < 3; ++i) {
      median[i] = Median(runs[i]);
      Print(loggers[i], threads, median[i]);
    }
    Ratio("spdlog", threads, median[0], median[1]);
    Ratio("spdlog20000", threads, median[0], median[2]);
    std::printf("\n");
    std::fflush(stdout);
  }
  return 0;
}
