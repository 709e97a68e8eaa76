// Unpacking speed of the archive layer against the 7z program over the same plug-in.
//
//   unpack_bench [rounds] [work folder]
//
// Builds a corpus of about 256 MiB in 2,000 files (text-like and incompressible data mixed),
// packs it once with "7z a -mx=5", then unpacks it alternately with ArcExtractor and with
// "7z x -y", `rounds` times each (default 3). Prints each side's best MB/s of output, the ratio
// (goal: at least 0.95) and peak memory. Everything is made in a temporary folder and removed.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "arc7z/arc-exception.h"
#include "arc7z/arc-extractor.h"
#include "arc7z/arc-format.h"
#include "arc7z/sevenzip-library.h"
#include "platform/encoding.h"

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kFiles = 2000;
constexpr std::size_t kCorpusBytes = std::size_t{256} << 20;

std::string textLike(std::mt19937_64& random, std::size_t size) {
  static const char* const words[] = {
      "corvela", "launcher", "texture", "level", "shader", "player", "quest", "item", "sound",
      "config", "value", "true", "false", "null", "{", "}", "=", "0.75", "1024", "region",
      "north", "south", "dungeon", "dragon", "sword", "shield", "potion", "gold", "silver"};
  std::string text;
  text.reserve(size + 16);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(words) - 1);
  std::uniform_int_distribution<int> line(0, 11);
  while (text.size() < size) {
    text += words[pick(random)];
    text += line(random) == 0 ? '\n' : ' ';
  }
  text.resize(size);
  return text;
}

std::string incompressible(std::mt19937_64& random, std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; i += 8) {
    const auto value = random();
    for (std::size_t k = 0; k < 8 && i + k < size; ++k) bytes[i + k] = static_cast<char>(value >> (8 * k));
  }
  return bytes;
}

// Returns the bytes written.
std::uint64_t makeCorpus(const fs::path& root) {
  std::mt19937_64 random(20261211);
  const std::size_t mean = kCorpusBytes / kFiles;
  std::uniform_int_distribution<std::size_t> size(mean / 8, 2 * mean - mean / 8);
  std::uint64_t total = 0;
  for (int i = 0; i < kFiles; ++i) {
    const fs::path folder = root / ("pack" + std::to_string(i % 16)) / ("set" + std::to_string(i % 5));
    fs::create_directories(folder);
    const std::size_t n = size(random);
    const std::string bytes = i % 2 == 0 ? textLike(random, n) : incompressible(random, n);
    std::ofstream(folder / ("file" + std::to_string(i) + ".dat"), std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    total += n;
  }
  return total;
}

void run(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

long peakKiB(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(key, 0) == 0) return std::strtol(line.c_str() + std::strlen(key), nullptr, 10);
  }
  return -1;
}

// Runs 7z with `arguments`, its output discarded; returns its peak resident memory in KiB.
long run7z(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "7z");
  std::vector<char*> argv;
  for (auto& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  if (posix_spawnp(&pid, "7z", &actions, nullptr, argv.data(), environ) != 0) {
    std::fprintf(stderr, "cannot start 7z\n");
    std::exit(1);
  }
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  struct rusage usage {};
  if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "7z %s failed\n", arguments[1].c_str());
    std::exit(1);
  }
  return usage.ru_maxrss;
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const fs::path base = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path();
  const fs::path work = base / ("unpack-bench-" + std::to_string(::getpid()));
  fs::create_directories(work);
  const fs::path corpus = work / "corpus";
  const fs::path archive = work / "corpus.7z";

  auto start = Clock::now();
  const std::uint64_t bytes = makeCorpus(corpus);
  std::printf("corpus: %d files, %.1f MiB (made in %.1f s)\n", kFiles, bytes / 1048576.0,
              seconds(Clock::now() - start));
  start = Clock::now();
  run("cd '" + corpus.string() + "' && 7z a -mx=5 '" + archive.string() + "' . >/dev/null");
  std::printf("archive: %.1f MiB with 7z a -mx=5 (packed in %.1f s)\n",
              fs::file_size(archive) / 1048576.0, seconds(Clock::now() - start));
  fs::remove_all(corpus);

  const long peakBefore = peakKiB("VmHWM:");
  double bestOurs = 1e9, best7z = 1e9;
  long peak7z = 0;
  try {
    const arc7z::SevenZipLibrary library(platform::Utf8ToWide(CVL_BENCH_PLUGIN));
    const arc7z::ArcExtractor extractor(library, arc7z::kFormatSevenZip);
    for (int round = 0; round < rounds; ++round) {
      const fs::path out = work / "out";
      start = Clock::now();
      extractor.extract(platform::Utf8ToWide(archive.string()), platform::Utf8ToWide(out.string()));
      const double ours = seconds(Clock::now() - start);
      fs::remove_all(out);

      start = Clock::now();
      peak7z = std::max(peak7z, run7z({"x", "-y", "-o" + out.string(), archive.string()}));
      const double theirs = seconds(Clock::now() - start);
      fs::remove_all(out);

      std::printf("round %d: ArcExtractor %.2f s, 7z x %.2f s\n", round + 1, ours, theirs);
      bestOurs = std::min(bestOurs, ours);
      best7z = std::min(best7z, theirs);
    }
  } catch (const arc7z::ArcException& e) {
    std::fprintf(stderr, "ArcException: %s (0x%08X)\n", e.what(), static_cast<unsigned>(e.errorCode()));
    fs::remove_all(work);
    return 1;
  }
  fs::remove_all(work);

  const double mbOurs = bytes / 1e6 / bestOurs, mb7z = bytes / 1e6 / best7z;
  std::printf("ArcExtractor: %.1f MB/s\n", mbOurs);
  std::printf("7z x -y:      %.1f MB/s\n", mb7z);
  std::printf("ratio: %.3f (goal >= 0.95)\n", mbOurs / mb7z);
  std::printf("peak memory: ArcExtractor process %.1f MiB (%.1f MiB before unpacking), 7z x %.1f MiB\n",
              peakKiB("VmHWM:") / 1024.0, peakBefore / 1024.0, peak7z / 1024.0);
  return 0;
}
