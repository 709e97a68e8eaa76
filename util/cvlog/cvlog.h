#pragma once
// Public face of the logging module: the manager interface, the record a producer fills, and
// LOG_LINE, the one statement the rest of the program logs with.
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace cvlog {

enum LogLevel : int {
  LOG_TRACE = 0,
  LOG_DEBUG = 1,
  LOG_INFO = 2,
  LOG_WARN = 3,
  LOG_ERROR = 4,
  LOG_ALARM = 5,
  LOG_FATAL = 6,
};

constexpr int LOGGER_MAX = 20;
constexpr int kContentSize = 8192;

struct LogRecord {
  std::int32_t loggerId;
  std::int32_t kind;         // 0 = a text line; 1 to 10 = an attribute change
  std::int32_t changeValue;  // numeric argument of an attribute change
  std::int32_t level;
  std::int64_t time;         // seconds since 1970 UTC when the record was handed out
  std::uint32_t milliseconds;
  std::uint32_t threadId;
  std::int32_t contentLength;
  char content[kContentSize];
};

// Bounded writer over [begin, end): never writes past end and never adds a terminator.
class RecordWriter {
 public:
  RecordWriter(char* begin, char* end) : begin_(begin), end_(end), cursor_(begin) {}

  void text(const char* s, size_t length);
  void character(char c);
  void number(std::uint64_t value, int width = 0, int base = 10);
  void signedNumber(std::int64_t value);
  void pointer(const void* p);
  size_t length() const { return static_cast<size_t>(cursor_ - begin_); }

 private:
  char* begin_;
  char* end_;
  char* cursor_;
};

class ILogManager {
 public:
  virtual ~ILogManager() = default;
  virtual bool Config(const char* path) = 0;
  virtual bool ConfigFromText(const char* text) = 0;
  virtual int CreateLogger(const char* key) = 0;
  virtual bool Start() = 0;
  virtual bool Stop() = 0;
  virtual int LookupLogger(const char* key) = 0;
  virtual bool ShouldLog(int id, int level) = 0;
  virtual bool SubmitRecord(LogRecord* record, const char* file, int line) = 0;
  virtual bool SetEnabled(int id, bool enable) = 0;
  virtual bool SetName(int id, const char* name) = 0;
  virtual bool SetPath(int id, const char* path) = 0;
  virtual bool SetLevel(int id, int level) = 0;
  virtual bool SetFileLine(int id, bool on) = 0;
  virtual bool SetDisplay(int id, bool on) = 0;
  virtual bool SetOutFile(int id, bool on) = 0;
  virtual bool SetLimitSize(int id, std::uint32_t megabytes) = 0;
  virtual bool SetMonthDir(int id, bool on) = 0;
  virtual bool SetReserveTime(int id, std::int64_t seconds) = 0;
  virtual bool SetAutoReload(int seconds) = 0;
  virtual bool ReloadConfig() = 0;
  virtual bool IsEnabled(int id) = 0;
  virtual std::uint64_t TotalWriteCount() = 0;
  virtual std::uint64_t TotalWriteBytes() = 0;
  virtual std::uint64_t TotalPushCount() = 0;
  virtual std::uint64_t TotalPopCount() = 0;
  virtual int ActiveLoggerCount() = 0;
  virtual LogRecord* AcquireRecord(int id, int level) = 0;
  virtual void ReleaseRecord(LogRecord* record) = 0;
};

// The single manager, built on first use and destroyed at process exit.
ILogManager* Instance();

// Pieces of a log line: texts, characters, integers (any width and sign) and pointers.
inline void AppendPiece(RecordWriter& w, std::string_view s) { w.text(s.data(), s.size()); }
inline void AppendPiece(RecordWriter& w, const char* s) { AppendPiece(w, std::string_view(s ? s : "")); }
inline void AppendPiece(RecordWriter& w, const std::string& s) { w.text(s.data(), s.size()); }
inline void AppendPiece(RecordWriter& w, char c) { w.character(c); }
inline void AppendPiece(RecordWriter& w, bool b) { AppendPiece(w, b ? "true" : "false"); }
inline void AppendPiece(RecordWriter& w, const void* p) { w.pointer(p); }
template <typename T>
  requires std::is_integral_v<T>
void AppendPiece(RecordWriter& w, T value) {
  if constexpr (std::is_signed_v<T>) {
    w.signedNumber(value);
  } else {
    w.number(value);
  }
}
template <typename... Pieces>
void AppendPieces(RecordWriter& w, const Pieces&... pieces) {
  (AppendPiece(w, pieces), ...);
}

}  // namespace cvlog

// A line on the logger `id` of the given manager. Manager, id and level are evaluated once each;
// the pieces only when the line will be kept. The record is filled in place, with no formatting
// buffer in between.
#define LOG_LINE_ON(manager, id, level, ...)                                                      \
  do {                                                                                            \
    ::cvlog::ILogManager* cvlog_manager_ = (manager);                                             \
    const int cvlog_id_ = (id);                                                                   \
    const int cvlog_level_ = (level);                                                             \
    if (cvlog_manager_->ShouldLog(cvlog_id_, cvlog_level_)) {                                     \
      ::cvlog::LogRecord* cvlog_record_ = cvlog_manager_->AcquireRecord(cvlog_id_, cvlog_level_); \
      ::cvlog::RecordWriter cvlog_writer_(cvlog_record_->content + cvlog_record_->contentLength,  \
                                          cvlog_record_->content + ::cvlog::kContentSize);        \
      ::cvlog::AppendPieces(cvlog_writer_, __VA_ARGS__);                                          \
      cvlog_record_->contentLength += static_cast<std::int32_t>(cvlog_writer_.length());          \
      cvlog_manager_->SubmitRecord(cvlog_record_, __FILE__, __LINE__);                            \
    }                                                                                             \
  } while (0)

#define LOG_LINE(id, level, ...) LOG_LINE_ON(::cvlog::Instance(), id, level, __VA_ARGS__)
