#include "util/cvlog/log-manager.h"

#include <cstdlib>
#include <cstring>

#include "platform/clock.h"
#include "platform/process-name.h"
#include "platform/thread.h"
#include "util/cvlog/config-text.h"
#include "util/cvlog/console-print.h"
#include "util/cvlog/record-header.h"

namespace cvlog {
namespace {

constexpr std::uint64_t kFileTimeOf1970InMicroseconds = 11644473600000000ULL;

}  // namespace

LogManager::LogManager() : LogManager(platform::ProcessName()) {}

LogManager::LogManager(std::string processName, Clock clock)
    : processName_(std::move(processName)), clock_(std::move(clock)) {
  LoggerEntry& main = loggers_[0];
  main.key = "Main";
  main.name = "Main";
  main.enable.store(true, std::memory_order_relaxed);
  keyMap_["Main"] = 0;
}

LogManager::~LogManager() {
  Stop();
  FreeQueues();
}

void LogManager::FreeQueues() {
  for (LogRecord* record : submitQueue_) delete record;
  submitQueue_.clear();
  submitSize_.store(0, std::memory_order_relaxed);
  for (LogRecord* record : writerQueue_) delete record;
  writerQueue_.clear();
}

// ---- loggers

int LogManager::CreateLogger(const char* key) {
  if (!key) return -1;
  const std::string trimmed(TrimConfigText(key));
  // A new entry is out of the writer's reach until the last id names it.
  std::lock_guard<std::mutex> entries(entriesLock_);
  const auto found = keyMap_.find(trimmed);
  if (found != keyMap_.end() && found->second != -1) return found->second;
  const int id = lastId_.load(std::memory_order_relaxed) + 1;
  if (id >= LOGGER_MAX) {
    PrintToConsole("cvlog: CreateLogger can not create|writeover, because loggerid need < LOGGER_MAX! \r\n", LevelColour(LOG_FATAL));
    return -1;
  }
  LoggerEntry& entry = loggers_[id];
  entry.key = trimmed;
  entry.name = trimmed;
  entry.enable.store(true, std::memory_order_relaxed);
  keyMap_[trimmed] = id;
  lastId_.store(id, std::memory_order_release);
  return id;
}

int LogManager::LookupLogger(const char* key) {
  if (!key) return -1;
  std::lock_guard<std::mutex> entries(entriesLock_);
  const auto found = keyMap_.find(std::string_view(key));
  return found == keyMap_.end() ? -1 : found->second;
}

bool LogManager::IsEnabled(int id) { return !BadId(id) && loggers_[id].enable.load(std::memory_order_relaxed); }

int LogManager::ActiveLoggerCount() {
  int count = 0;
  const int last = lastId_.load(std::memory_order_relaxed);
  for (int id = 0; id <= last; ++id) count += loggers_[id].enable.load(std::memory_order_relaxed) ? 1 : 0;
  return count;
}

// ---- producers

bool LogManager::Accepts(int id, int level) const {
  if (BadId(id) || !running_.load(std::memory_order_relaxed)) return false;
  const LoggerEntry& entry = loggers_[id];
  return entry.enable.load(std::memory_order_relaxed) && level >= entry.level.load(std::memory_order_relaxed);
}

bool LogManager::ShouldLog(int id, int level) {
  if (!Accepts(id, level)) return false;
  const std::size_t queued = submitSize_.load(std::memory_order_relaxed);
  if (queued <= kBackPressureStart) return true;
  // The further the queue has grown past the mark, the more often and the longer a producer
  // waits: from 1% of calls for 1 ms up to every call for 100 ms.
  std::uint32_t rate = static_cast<std::uint32_t>(queued * 100 - 2000000) / 20000;
  if (rate > 100) rate = 100;
  if (static_cast<std::uint32_t>(std::rand() % 100) >= rate) return true;
  WakeWriter();
  if (rate > 50) {
    std::lock_guard<LockHelper> lock(submitLock_);
    if (submitQueue_.size() <= kBackPressureStart) return true;
  }
  backPressureSleeps_.fetch_add(1, std::memory_order_relaxed);
  std::this_thread::sleep_for(std::chrono::milliseconds(rate));
  return true;
}

LogRecord* LogManager::AcquireRecord(int id, int level) {
  LogRecord* record = pool_.Take();
  if (!record) record = new LogRecord;
  record->loggerId = id;
  record->kind = kKindLine;
  record->changeValue = 0;
  record->level = level;
  const std::uint64_t micros = platform::SystemTimeAsFileTime() / 10 - kFileTimeOf1970InMicroseconds;
  const std::uint64_t millis = micros / 1000;
  record->time = static_cast<std::int64_t>(millis / 1000);
  record->milliseconds = static_cast<std::uint32_t>(millis % 1000);
  record->threadId = platform::CurrentThreadId();
  thread_local DayCache cache;
  WriteRecordHeader(*record, cache);
  return record;
}

void LogManager::ReleaseRecord(LogRecord* record) { pool_.Give(record); }

bool LogManager::SubmitRecord(LogRecord* record, const char* file, int line) {
  if (!record) return false;
  if (!Accepts(record->loggerId, record->level)) {
    ReleaseRecord(record);
    return false;
  }
  if (record->contentLength < 0) record->contentLength = 0;
  if (file && loggers_[record->loggerId].fileline.load(std::memory_order_relaxed)) {
    const char* base = file;
    for (const char* p = file; *p; ++p) {
      if (*p == '/' || *p == '\\') base = p + 1;
    }
    RecordWriter w(record->content + record->contentLength, record->content + kContentSize);
    w.character(' ');
    w.text(base, std::strlen(base));
    w.character(':');
    w.signedNumber(line);
    record->contentLength += static_cast<std::int32_t>(w.length());
  }
  if (record->contentLength + 3 > kContentSize) record->contentLength = kContentSize - 3;
  char* end = record->content + record->contentLength;
  end[0] = '\r';
  end[1] = '\n';
  end[2] = '\0';
  record->contentLength += 2;
  return PushLine(record);
}

// SubmitRecord's first test was made without the lock and may be stale by now; the one that counts is
// made here, under the lock that Stop and the writer's last look at the queue take as well.
bool LogManager::PushLine(LogRecord* record) {
  std::size_t queued;
  {
    std::lock_guard<LockHelper> lock(submitLock_);
    if (running_.load(std::memory_order_relaxed)) {
      submitQueue_.push_back(record);
      Bump(pushCount_);
      queued = submitQueue_.size();
      submitSize_.store(queued, std::memory_order_relaxed);
      if (queued > peakQueue_.load(std::memory_order_relaxed)) peakQueue_.store(queued, std::memory_order_relaxed);
    } else {
      queued = 0;
    }
  }
  if (queued == 0) {
    ReleaseRecord(record);
    return false;
  }
  NoteQueued(queued);
  return true;
}

void LogManager::PushChange(LogRecord* record) {
  std::size_t queued;
  {
    std::lock_guard<LockHelper> lock(submitLock_);
    submitQueue_.push_back(record);
    queued = submitQueue_.size();
    submitSize_.store(queued, std::memory_order_relaxed);
  }
  NoteQueued(queued);
}

void LogManager::NoteQueued(std::size_t queued) {
  if (queued >= kWakeMark && writerAsleep_.load(std::memory_order_relaxed)) WakeWriter();
}

void LogManager::WakeWriter() {
  {
    std::lock_guard<std::mutex> lock(wakeMutex_);
    wakeRequested_ = true;
  }
  wakeCondition_.notify_one();
}

// ---- attribute changes

bool LogManager::ApplyChange(int id, RecordKind kind, std::int32_t value, std::string_view text) {
  if (BadId(id)) return false;
  LoggerEntry& entry = loggers_[id];
  switch (kind) {
    case kKindEnable:
      entry.enable.store(value != 0, std::memory_order_relaxed);
      entry.enabledAtStop = false;  // a choice made since the last writer ended stands
      break;
    case kKindName:
      entry.name = text;
      break;
    case kKindPath:
      entry.path = text;
      break;
    case kKindLevel:
      entry.level.store(value, std::memory_order_relaxed);
      break;
    case kKindFileLine:
      entry.fileline.store(value != 0, std::memory_order_relaxed);
      break;
    case kKindDisplay:
      entry.display = value != 0;
      break;
    case kKindOutFile:
      entry.outfile = value != 0;
      break;
    case kKindLimitSize:
      entry.limitsize = static_cast<std::uint32_t>(value);
      break;
    case kKindMonthDir:
      entry.monthdir = value != 0;
      break;
    case kKindReserveTime:
      entry.reserveTime = value < 0 ? 0 : value;
      break;
    default:
      return false;
  }
  return true;
}

// While a writer takes changes (from Start until it has left, the draining after Stop included)
// the change goes to it in order with the lines; otherwise nobody else touches the entries and it
// applies here.
bool LogManager::QueueChange(int id, RecordKind kind, std::int32_t value, std::string_view text) {
  if (BadId(id) || text.size() >= static_cast<std::size_t>(kContentSize)) return false;
  std::lock_guard<std::mutex> entries(entriesLock_);
  if (!writerOpen_) return ApplyChange(id, kind, value, text);
  LogRecord* record = AcquireRecord(id, LOG_DEBUG);
  record->kind = kind;
  record->changeValue = value;
  if (!text.empty()) std::memcpy(record->content, text.data(), text.size());
  record->content[text.size()] = '\0';
  record->contentLength = static_cast<std::int32_t>(text.size());
  PushChange(record);
  return true;
}

bool LogManager::SetEnabled(int id, bool enable) {
  if (BadId(id)) return false;
  // Switching on takes effect for the very next line; the queued change still closes the file.
  if (enable) loggers_[id].enable.store(true, std::memory_order_relaxed);
  return QueueChange(id, kKindEnable, enable ? 1 : 0, {});
}

bool LogManager::SetName(int id, const char* name) {
  if (!name || !*name) return false;
  return QueueChange(id, kKindName, 0, name);
}

bool LogManager::SetPath(int id, const char* path) {
  if (!path || !*path) return false;
  std::string folder(path);
  if (folder.back() != '/' && folder.back() != '\\') folder += '/';
  return QueueChange(id, kKindPath, 0, folder);
}

bool LogManager::SetLevel(int id, int level) {
  if (BadId(id)) return false;
  // A lower level lets lines through at once; a higher one waits for the lines already queued.
  if (level <= loggers_[id].level.load(std::memory_order_relaxed)) {
    loggers_[id].level.store(level, std::memory_order_relaxed);
  }
  return QueueChange(id, kKindLevel, level, {});
}

bool LogManager::SetFileLine(int id, bool on) { return QueueChange(id, kKindFileLine, on ? 1 : 0, {}); }
bool LogManager::SetDisplay(int id, bool on) { return QueueChange(id, kKindDisplay, on ? 1 : 0, {}); }
bool LogManager::SetOutFile(int id, bool on) { return QueueChange(id, kKindOutFile, on ? 1 : 0, {}); }
bool LogManager::SetMonthDir(int id, bool on) { return QueueChange(id, kKindMonthDir, on ? 1 : 0, {}); }

bool LogManager::SetLimitSize(int id, std::uint32_t megabytes) {
  // 0 means "no practical limit": the largest size there is.
  const std::uint32_t limit = megabytes == 0 ? 0xFFFFFFFFu : megabytes;
  return QueueChange(id, kKindLimitSize, static_cast<std::int32_t>(limit), {});
}

bool LogManager::SetReserveTime(int id, std::int64_t seconds) {
  return QueueChange(id, kKindReserveTime, static_cast<std::int32_t>(seconds), {});
}

bool LogManager::SetAutoReload(int seconds) {
  autoReloadSeconds_.store(seconds, std::memory_order_relaxed);
  return true;
}

// ---- counters

std::uint64_t LogManager::TotalWriteCount() { return writeCount_.load(std::memory_order_relaxed); }
std::uint64_t LogManager::TotalWriteBytes() { return writeBytes_.load(std::memory_order_relaxed); }
std::uint64_t LogManager::TotalPushCount() { return pushCount_.load(std::memory_order_relaxed); }
std::uint64_t LogManager::TotalPopCount() { return popCount_.load(std::memory_order_relaxed); }

// ---- configuration

// Called with the configuration lock held.
bool LogManager::ApplyText(std::string_view text, bool update) {
  std::uint32_t checksum = 0;
  for (const char c : text) checksum += static_cast<unsigned char>(c);
  if (checksum == configChecksum_ && text == configText_) return true;
  configChecksum_ = checksum;
  configText_ = text;

  for (const auto& [section, wanted] : ParseConfigText(text)) {
    int id = LookupLogger(section.c_str());
    if (id == -1) {
      if (update) continue;
      id = CreateLogger(section.c_str());
      if (id == -1) continue;
    }
    SetEnabled(id, wanted.enable);
    SetName(id, wanted.name.c_str());
    SetPath(id, wanted.path.c_str());
    SetLevel(id, wanted.level);
    SetFileLine(id, wanted.fileline);
    SetDisplay(id, wanted.display);
    SetOutFile(id, wanted.outfile);
    SetLimitSize(id, wanted.limitsize);
    SetMonthDir(id, wanted.monthdir);
  }
  return true;
}

bool LogManager::ReadConfigFile(const std::string& path, std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    PrintToConsole(" !!! !!! !!! !!!\r\n !!! !!! cvlog load config file error. filename=" + path +
               "  !!! !!! \r\n !!! !!! !!! !!!\r\n");
    return false;
  }
  char piece[512];
  for (;;) {
    const std::size_t n = std::fread(piece, 1, sizeof piece, file);
    text.append(piece, n);
    if (n < sizeof piece) break;
  }
  std::fclose(file);
  return true;
}

bool LogManager::Config(const char* path) {
  const std::string wanted = path ? path : "";
  std::lock_guard<std::mutex> config(configLock_);
  if (!configPath_.empty()) {
    PrintToConsole(" !!! !!! !!! !!!\r\n !!! !!! cvlog configure error: too many calls to Config. the old config file=" +
               configPath_ + ",  the new config file=" + wanted + " !!! !!! \r\n !!! !!! !!! !!!\r\n");
    return false;
  }
  configPath_ = wanted;
  std::string text;
  if (!ReadConfigFile(configPath_, text)) return false;
  return ApplyText(text, false);
}

bool LogManager::ReloadConfig() {
  std::lock_guard<std::mutex> config(configLock_);
  if (configPath_.empty()) return false;
  std::string text;
  if (!ReadConfigFile(configPath_, text)) return false;
  return ApplyText(text, true);
}

bool LogManager::ConfigFromText(const char* text) {
  std::lock_guard<std::mutex> config(configLock_);
  return ApplyText(text ? text : "", false);
}

}  // namespace cvlog
