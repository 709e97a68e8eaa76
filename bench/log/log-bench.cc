// log_bench: the same lines through cvlog and through spdlog's asynchronous file logger, with one
// and with two producer threads. Each case runs in a child process of its own, so that its peak
// memory is its own and no logger's state is left for the next one.
//
//   log_bench [total lines, default 2000000] [cvlog|spdlog: only that logger, for profiling]
//
// Each case runs three times, the two loggers taking turns, and the run of median throughput is
// printed: on a shared machine one run alone says more about its neighbours than about a logger.
//
// Figures per case: lines per second end to end (first call until the logger has drained its
// queue and closed its file), the producers' per-call latency (median, 99th percentile, maximum),
// the peak resident memory of the child and the bytes that reached the file.
#include <spdlog/async.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "util/cvlog/cvlog.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// About 100 bytes per line on disk with either logger's header.
const std::string kPayload = "abcdefghijklmnopqrstuvwxyz0123456789";

struct Result {
  double seconds = 0;
  double medianNs = 0;
  double p99Ns = 0;
  double maxNs = 0;
  long peakKb = 0;
  long baseKb = 0;
  std::uint64_t fileBytes = 0;
  std::uint64_t fileLines = 0;
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

// Runs `produce(thread, first, count, latencies)` on each producer thread, then `drain()`.
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
    producers.emplace_back([&, t] { produce(t, t * perThread, perThread, latencies[t].data()); });
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
  return result;
}

template <typename Call>
inline void Timed(std::uint32_t* slot, Call call) {
  const auto before = Clock::now();
  call();
  *slot = static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - before).count());
}

Result RunCvlog(int threads, int lines, const fs::path& folder) {
  cvlog::ILogManager* manager = cvlog::Instance();
  const std::string config = "[Main]\npath=" + folder.string() + "/\nname=bench\ndisplay=0\nfileline=0\n";
  manager->ConfigFromText(config.c_str());
  manager->Start();
  Result result = Measure(
      threads, lines,
      [&](int, int first, int count, std::uint32_t* latency) {
        for (int i = 0; i < count; ++i) {
          Timed(latency + i, [&] { LOG_LINE(0, cvlog::LOG_INFO, "bench line ", first + i, " payload ", kPayload); });
        }
      },
      [&] { manager->Stop(); });
  return result;
}

Result RunSpdlog(int threads, int lines, const fs::path& folder) {
  spdlog::init_thread_pool(8192, 1);
  auto logger = spdlog::basic_logger_mt<spdlog::async_factory>("bench", (folder / "spdlog.log").string());
  logger->set_pattern("%Y-%m-%d %H:%M:%S.%e [%t] %l %v");
  Result result = Measure(
      threads, lines,
      [&](int, int first, int count, std::uint32_t* latency) {
        for (int i = 0; i < count; ++i) {
          Timed(latency + i, [&] { logger->info("bench line {} payload {}", first + i, kPayload); });
        }
      },
      [&] {
        logger.reset();
        spdlog::shutdown();  // joins the worker once its queue is empty, closing the file
      });
  return result;
}

Result RunCase(bool cvlogCase, int threads, int lines) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) std::exit(1);
  const fs::path folder = fs::temp_directory_path() / ("log_bench_" + std::to_string(getpid()) + (cvlogCase ? "_cvlog" : "_spdlog") +
                                                       std::to_string(threads));
  fs::create_directories(folder);
  const pid_t child = fork();
  if (child == 0) {
    close(pipeFds[0]);
    Result result = cvlogCase ? RunCvlog(threads, lines, folder) : RunSpdlog(threads, lines, folder);
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

void Print(const char* name, int threads, const Result& r) {
  std::printf("%-7s %d thr  %10.0f lines/s  %8.3f s  median %6.0f ns  p99 %8.0f ns  max %10.0f ns  peak %7.1f MB (base %5.1f)  "
              "file %6.1f MB %8llu lines\n",
              name, threads, Throughput(r), r.seconds, r.medianNs, r.p99Ns, r.maxNs, r.peakKb / 1024.0,
              r.baseKb / 1024.0, r.fileBytes / 1048576.0, static_cast<unsigned long long>(r.fileLines));
}

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::atoi(argv[1]) : 2000000;
  const std::string only = argc > 2 ? argv[2] : "";
  std::printf("log_bench: %d lines per case, %u hardware threads\n", lines, std::thread::hardware_concurrency());
  for (int threads : {1, 2}) {
    if (!only.empty()) {
      Print(only.c_str(), threads, RunCase(only == "cvlog", threads, lines));
      continue;
    }
    std::vector<Result> cv;
    std::vector<Result> sp;
    for (int round = 0; round < kRounds; ++round) {
      cv.push_back(RunCase(true, threads, lines));
      sp.push_back(RunCase(false, threads, lines));
    }
    const Result c = Median(cv);
    const Result s = Median(sp);
    Print("cvlog", threads, c);
    Print("spdlog", threads, s);
    std::printf("ratio cvlog/spdlog %d thr: throughput %.2f  median latency %.2f  p99 latency %.2f  peak memory %.2f\n\n",
                threads, Throughput(c) / Throughput(s), c.medianNs / s.medianNs, c.p99Ns / s.p99Ns,
                static_cast<double>(c.peakKb) / s.peakKb);
    std::fflush(stdout);
  }
  return 0;
}
