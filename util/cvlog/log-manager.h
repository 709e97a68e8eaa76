#pragma once
// The manager behind cvlog::Instance(). Tests build their own objects of it; the rest of the
// program reaches it only through ILogManager.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "util/cvlog/cvlog.h"
#include "util/cvlog/sync-helpers.h"

namespace cvlog {

// Kinds of the records that carry an attribute change instead of a line.
enum RecordKind : std::int32_t {
  kKindLine = 0,
  kKindEnable = 1,
  kKindName = 2,
  kKindPath = 3,
  kKindLevel = 4,
  kKindFileLine = 5,
  kKindDisplay = 6,
  kKindOutFile = 7,
  kKindLimitSize = 8,
  kKindMonthDir = 9,
  kKindReserveTime = 10,
};

// Producers read enable, level and fileline without a lock; everything else belongs to the
// configuring thread before Start and to the writer thread while it runs.
struct LoggerEntry {
  std::string key;
  std::string name;
  std::string path = "./log/";
  std::atomic<int> level{LOG_DEBUG};
  bool display = true;
  bool outfile = true;
  bool monthdir = false;
  std::uint32_t limitsize = 100;
  std::atomic<bool> enable{false};
  std::atomic<bool> fileline{true};
  std::int64_t reserveTime = 0;
  std::int64_t fileCreationTime = 0;
  std::int64_t fileDayStart = 0;
  std::int64_t fileDayEnd = 0;  // the next local midnight: days are not always 86400 s long
  std::uint32_t fileIndex = 0;
  std::uint64_t writeLength = 0;
  std::FILE* file = nullptr;
  std::unique_ptr<char[]> fileBuffer;  // the file's stdio buffer, kept across files
  std::deque<std::pair<std::int64_t, std::string>> history;
};

class LogManager final : public ThreadHelper, public ILogManager {
 public:
  static constexpr std::size_t kPoolMax = 200;
  static constexpr std::size_t kBackPressureStart = 20000;
  static constexpr int kIdlePollMs = 50;
  // A sleeping writer is woken once this many records wait, well before back-pressure starts,
  // so that a burst of lines does not sit out the idle poll and throttle its producers.
  static constexpr std::size_t kWakeMark = 128;
  // Lines reach the disk in large writes; the file is still flushed whenever the writer runs dry.
  static constexpr std::size_t kFileBufferSize = 256 * 1024;
  static constexpr int kIdleYields = 64;

  LogManager();
  // For tests: the program name that starts every file name.
  explicit LogManager(std::string processName);
  ~LogManager() override;
  LogManager(const LogManager&) = delete;
  LogManager& operator=(const LogManager&) = delete;

  bool Config(const char* path) override;
  bool ConfigFromText(const char* text) override;
  int CreateLogger(const char* key) override;
  bool Start() override;
  bool Stop() override;
  int LookupLogger(const char* key) override;
  bool ShouldLog(int id, int level) override;
  bool SubmitRecord(LogRecord* record, const char* file, int line) override;
  bool SetEnabled(int id, bool enable) override;
  bool SetName(int id, const char* name) override;
  bool SetPath(int id, const char* path) override;
  bool SetLevel(int id, int level) override;
  bool SetFileLine(int id, bool on) override;
  bool SetDisplay(int id, bool on) override;
  bool SetOutFile(int id, bool on) override;
  bool SetLimitSize(int id, std::uint32_t megabytes) override;
  bool SetMonthDir(int id, bool on) override;
  bool SetReserveTime(int id, std::int64_t seconds) override;
  bool SetAutoReload(int seconds) override;
  bool ReloadConfig() override;
  bool IsEnabled(int id) override;
  std::uint64_t TotalWriteCount() override;
  std::uint64_t TotalWriteBytes() override;
  std::uint64_t TotalPushCount() override;
  std::uint64_t TotalPopCount() override;
  int ActiveLoggerCount() override;
  LogRecord* AcquireRecord(int id, int level) override;
  void ReleaseRecord(LogRecord* record) override;

  // Read-only views for tests; stable while the writer is stopped.
  const LoggerEntry& Entry(int id) const { return loggers_[id]; }
  const std::string& ProcessName() const { return processName_; }
  std::size_t PoolSize() const { return poolSize_.load(std::memory_order_relaxed); }

 private:
  void Run() override;
  bool BadId(int id) const { return id < 0 || id > lastId_.load(std::memory_order_relaxed); }
  bool Accepts(int id, int level) const;
  bool ApplyText(std::string_view text, bool update);
  bool ReadConfigFile(const std::string& path, std::string& text);
  bool QueueChange(int id, RecordKind kind, std::int32_t value, std::string_view text);
  bool ApplyChange(int id, RecordKind kind, std::int32_t value, std::string_view text);
  void PushRecord(LogRecord* record);
  void WakeWriter();
  bool AwaitBriefly();
  void SleepWhileIdle();
  void PrintAlert(std::string_view text);
  void PrintLine(const LogRecord& record);
  void WriteLine(const LogRecord& record);
  bool OpenLogger(const LogRecord& record);
  void CloseFile(LoggerEntry& entry);
  void FreeQueues();

  std::atomic<bool> running_{false};
  SemHelper startSem_;
  std::atomic<int> autoReloadSeconds_{0};
  std::uint32_t configChecksum_ = 0;
  std::string configText_;  // the text last applied; the checksum alone lets changed texts pass
  std::string processName_;
  std::string configPath_;
  std::map<std::string, int, std::less<>> keyMap_;
  std::atomic<int> lastId_{0};
  LoggerEntry loggers_[LOGGER_MAX];
  std::mutex lifecycle_;  // Start and Stop, which may come from different threads at exit

  alignas(256) LockHelper submitLock_;
  std::deque<LogRecord*> submitQueue_;
  std::atomic<std::size_t> submitSize_{0};
  std::atomic<std::uint64_t> pushCount_{0};

  alignas(256) LockHelper poolLock_;
  std::vector<LogRecord*> pool_;
  std::atomic<std::size_t> poolSize_{0};

  alignas(256) LockHelper consoleLock_;

  alignas(256) std::mutex wakeMutex_;
  std::condition_variable wakeCondition_;
  bool wakeRequested_ = false;
  std::atomic<bool> writerAsleep_{false};

  alignas(256) std::deque<LogRecord*> writerQueue_;
  std::atomic<std::uint64_t> popCount_{0};
  std::atomic<std::uint64_t> writeCount_{0};
  std::atomic<std::uint64_t> writeBytes_{0};
};

}  // namespace cvlog
