#pragma once
// Temp folders, file reading and records with a chosen time for the logging module's tests.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "util/cvlog/log-manager.h"
#include "util/cvlog/record-header.h"

namespace cvlog_test {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "cvlog-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }
  // The folder as a logger path, with its trailing separator.
  std::string folder(const std::string& sub = "") const { return (path_ / sub).string() + "/"; }

 private:
  fs::path path_;
};

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Log files below a folder, relative to it, sorted.
inline std::vector<std::string> ListFiles(const fs::path& root) {
  std::vector<std::string> names;
  if (!fs::exists(root)) return names;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    if (item.is_regular_file()) names.push_back(fs::relative(item.path(), root).string());
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

// Seconds since 1970 of a UTC date and time.
inline std::int64_t Utc(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return static_cast<std::int64_t>(timegm(&t));
}

// Sets the process's time zone for one test and puts the old one back.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = getenv("TZ")) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (old_) {
      setenv("TZ", old_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
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
