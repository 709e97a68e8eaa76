#pragma once
// The manager behind cvlog::Instance(). Every object is a manager of its own, with its own
// loggers, queue and writer; the rest of the program reaches the instance only through ILogManager.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "util/cvlog/cvlog.h"
#include "util/cvlog/record-pool.h"
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

// Producers read enable, level and fileline without a lock. Everything else belongs to the writer
// thread while one exists, and otherwise to whichever thread holds the manager's entry lock.
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
  bool enabledAtStop = false;  // switched off by the last writer as it ended; on again at Start
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

// Adds to a counter that only one thread at a time changes (the writer, or whoever holds the lock
// that guards it): a plain add, where a locked one would cost every line a bus lock for nothing.
inline void Bump(std::atomic<std::uint64_t>& counter, std::uint64_t by = 1) {
  counter.store(counter.load(std::memory_order_relaxed) + by, std::memory_order_relaxed);
}

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

  // Seconds since 1970, as the writer reads them for auto-reload and the age of old files.
  using Clock = std::function<std::int64_t()>;

  LogManager();
  // The program name that starts every file name, and the clock; the default constructor takes
  // the process's own name and the system clock.
  explicit LogManager(std::string processName, Clock clock = platform::UnixTimeNow);
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

  // Read-only views of the state; stable while the writer is stopped.
  const LoggerEntry& Entry(int id) const { return loggers_[id]; }
  const std::string& ProcessName() const { return processName_; }
  std::size_t PoolSize() const { return pool_.Size(); }
  // How the queue fared: the most records it held, how often a producer slept for back-pressure,
  // and how often the writer found both queues empty.
  std::size_t PeakQueueDepth() const { return peakQueue_.load(std::memory_order_relaxed); }
  std::uint64_t BackPressureSleeps() const { return backPressureSleeps_.load(std::memory_order_relaxed); }
  std::uint64_t IdlePasses() const { return idlePasses_.load(std::memory_order_relaxed); }

 private:
  void Run() override;
  bool BadId(int id) const { return id < 0 || id > lastId_.load(std::memory_order_acquire); }
  bool Accepts(int id, int level) const;
  bool ApplyText(std::string_view text, bool update);
  bool ReadConfigFile(const std::string& path, std::string& text);
  bool QueueChange(int id, RecordKind kind, std::int32_t value, std::string_view text);
  bool ApplyChange(int id, RecordKind kind, std::int32_t value, std::string_view text);
  bool PushLine(LogRecord* record);
  void PushChange(LogRecord* record);
  void NoteQueued(std::size_t queued);
  void WakeWriter();
  bool AwaitBriefly();
  void SleepWhileIdle();
  bool LeaveWhenDrained();
  void CloseAllAtExit();
  bool OpenLogger(const LogRecord& record);
  void CloseFile(LoggerEntry& entry);
  void FreeQueues();

  // Lines are accepted while this is set. It changes under the submit lock, where the writer's
  // test for leaving sees it together with the queue: a line accepted before Stop is queued before
  // the writer can find the queue empty for good.
  std::atomic<bool> running_{false};
  SemHelper startSem_;
  std::atomic<int> autoReloadSeconds_{0};
  std::string processName_;
  const Clock clock_;
  std::mutex lifecycle_;  // Start and Stop, which may come from different threads at exit

  // Configuration texts are applied one at a time, whichever thread brings them (a hand-made
  // ReloadConfig beside the writer's auto-reload, or Config while the writer runs).
  std::mutex configLock_;
  std::uint32_t configChecksum_ = 0;
  std::string configText_;  // the text last applied; the checksum alone lets changed texts pass
  std::string configPath_;

  // Held to change entries directly (no writer), the key map, and whether a writer takes changes.
  // The writer holds it from its last look at the queue until its files are closed, so that a
  // change is either queued for it or applied after it, never beside it.
  std::mutex entriesLock_;
  bool writerOpen_ = false;
  std::map<std::string, int, std::less<>> keyMap_;
  std::atomic<int> lastId_{0};
  LoggerEntry loggers_[LOGGER_MAX];

  alignas(256) LockHelper submitLock_;
  std::deque<LogRecord*> submitQueue_;
  std::atomic<std::size_t> submitSize_{0};
  std::atomic<std::uint64_t> pushCount_{0};
  std::atomic<std::size_t> peakQueue_{0};
  std::atomic<std::uint64_t> backPressureSleeps_{0};

  alignas(256) RecordPool pool_{kPoolMax};

  alignas(256) std::mutex wakeMutex_;
  std::condition_variable wakeCondition_;
  bool wakeRequested_ = false;
  std::atomic<bool> writerAsleep_{false};

  alignas(256) std::deque<LogRecord*> writerQueue_;
  std::atomic<std::uint64_t> idlePasses_{0};
  std::atomic<std::uint64_t> popCount_{0};
  std::atomic<std::uint64_t> writeCount_{0};
  std::atomic<std::uint64_t> writeBytes_{0};
};

}  // namespace cvlog
