#pragma once
// Log files, waiting for the writer, and records with a chosen time for the logging module's tests.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>
#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/environment.h"
#include "support/files.h"
#include "support/temp-dir.h"
#include "util/cvlog/log-manager.h"
#include "util/cvlog/record-header.h"

namespace cvlog_test {

namespace fs = std::filesystem;
using testing_support::ReadFile;
using testing_support::TempDir;

// Log files below a folder, relative to it, sorted.
inline std::vector<std::string> ListFiles(const fs::path& root) {
  std::vector<std::string> names;
  if (!fs::exists(root)) return names;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    if (item.is_regular_file()) names.push_back(fs::relative(item.path(), root).generic_string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Lines of a file without their CR LF; the writer's own start-up lines (LOG_ALARM) left out.
inline std::vector<std::string> TextLines(const std::string& content) {
  std::vector<std::string> lines;
  size_t begin = 0;
  while (begin < content.size()) {
    size_t end = content.find("\r\n", begin);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(begin, end - begin);
    if (line.find(" LOG_ALARM ") == std::string::npos) lines.push_back(line);
    begin = end + 2;
  }
  return lines;
}

// Lines of the test (not the writer's start-up lines) in every file below a folder.
inline std::uint64_t CountTextLines(const fs::path& root) {
  std::uint64_t count = 0;
  for (const std::string& name : ListFiles(root)) count += TextLines(ReadFile(root / name)).size();
  return count;
}

// Waits until the condition holds, checking it every millisecond. The bound only ends a test that
// would otherwise hang; nothing depends on how soon the condition comes true.
template <typename Condition>
bool WaitUntil(Condition done) {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (!done()) {
    if (std::chrono::steady_clock::now() > giveUp) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Waits until the writer has taken every line and then twice found nothing to do: the second
// time it has certainly passed through its idle work (flushing, closing) after the last line.
inline bool WaitForIdleWriter(cvlog::LogManager& manager) {
  if (!WaitUntil([&] { return manager.TotalPopCount() == manager.TotalPushCount(); })) return false;
  const std::uint64_t passes = manager.IdlePasses();
  return WaitUntil([&] { return manager.IdlePasses() >= passes + 2; });
}

// The manager's clock, set by hand. While a test holds it, a thread that reads it (the writer in
// its idle pass) waits there, holding none of the manager's locks.
class ManualClock {
 public:
  explicit ManualClock(std::int64_t now) : now_(now) {}
  cvlog::LogManager::Clock Reader() {
    return [this] {
      readers_.fetch_add(1);
      std::lock_guard<std::mutex> gate(gate_);
      readers_.fetch_sub(1);
      return now_.fetch_add(step_.load());
    };
  }
  void Advance(std::int64_t seconds) { now_.fetch_add(seconds); }
  // Each reading moves the clock on by this much afterwards.
  void Step(std::int64_t seconds) { step_.store(seconds); }
  void Hold() { gate_.lock(); }
  void Release() { gate_.unlock(); }
  bool SomeoneWaits() const { return readers_.load() > 0; }

 private:
  std::atomic<std::int64_t> now_;
  std::atomic<std::int64_t> step_{0};
  std::atomic<int> readers_{0};
  std::mutex gate_;
};

#if !defined(_WIN32)
// The descriptors of this process open on a file.
inline std::vector<int> DescriptorsOn(const fs::path& file) {
  std::vector<int> found;
  std::error_code error;
  const fs::path wanted = fs::canonical(file, error);
  for (const auto& item : fs::directory_iterator("/proc/self/fd")) {
    std::error_code ignored;
    if (fs::read_symlink(item.path(), ignored) == wanted) found.push_back(std::stoi(item.path().filename().string()));
  }
  return found;
}

inline bool ClosedOnExec(int fd) { return (fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0; }
#endif

// What the process wrote to its standard output since testing::internal::CaptureStdout. GoogleTest
// reads the capture back in text mode on Windows, which folds each CR LF the logger wrote into LF;
// the CR goes back so that the same line ends are checked on every system.
inline std::string CapturedConsole() {
  std::string text = testing::internal::GetCapturedStdout();
#if defined(_WIN32)
  std::string restored;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) restored += '\r';
    restored += text[i];
  }
  text = std::move(restored);
#endif
  return text;
}

// Seconds since 1970 of a UTC date and time.
inline std::int64_t Utc(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
#if defined(_WIN32)
  return static_cast<std::int64_t>(_mkgmtime64(&t));
#else
  return static_cast<std::int64_t>(timegm(&t));
#endif
}

// Sets the process's time zone for one test and puts the old one back.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) : old_(testing_support::GetEnvironment("TZ")) {
    testing_support::SetEnvironment("TZ", zone);
    tzset();
  }
  ~ScopedTimeZone() {
    testing_support::SetEnvironment("TZ", old_);
    tzset();
  }

 private:
  std::optional<std::string> old_;
};

// Central Europe with its daylight-saving rules, written out so that no zone database is needed.
inline constexpr const char* kBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";

// Submits a line as if it had been logged at the given moment.
inline bool SubmitAt(cvlog::ILogManager& manager, int id, std::int64_t time, const std::string& text,
                     int level = cvlog::LOG_INFO) {
  cvlog::LogRecord* record = manager.AcquireRecord(id, level);
  record->time = time;
  cvlog::DayCache cache;
  cvlog::WriteRecordHeader(*record, cache);
  cvlog::RecordWriter w(record->content + record->contentLength, record->content + cvlog::kContentSize);
  w.text(text.data(), text.size());
  record->contentLength += static_cast<std::int32_t>(w.length());
  return manager.SubmitRecord(record, nullptr, 0);
}

// A manager that writes logger 0 into a folder, without console copy and file:line suffix.
inline void QuietMain(cvlog::LogManager& manager, const std::string& folder) {
  manager.SetPath(0, folder.c_str());
  manager.SetDisplay(0, false);
  manager.SetFileLine(0, false);
}

}  // namespace cvlog_test
