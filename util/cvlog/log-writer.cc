// The writer thread's half of the manager: Start, Stop, Run and the log files.
#include <cstdio>
#include <cstring>

#include "platform/append-file.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "util/cvlog/console-print.h"
#include "util/cvlog/log-file.h"
#include "util/cvlog/log-manager.h"
#include "util/cvlog/record-header.h"

namespace cvlog {
namespace {

// The size limit in bytes, capped at 4293918720 (0xFFF00000): the largest limit a 32-bit byte
// count holds in whole megabytes, so 0xFFFFFFFF megabytes ("no limit") rolls over there and no
// large value shrinks to a tiny limit by wrapping.
std::uint64_t LimitBytes(std::uint32_t megabytes) {
  const std::uint64_t bytes = static_cast<std::uint64_t>(megabytes) << 20;
  return bytes < 0xFFF00000ULL ? bytes : 0xFFF00000ULL;
}

}  // namespace

void LogManager::CloseFile(LoggerEntry& entry) {
  if (!entry.file) return;
  std::fclose(entry.file);
  entry.file = nullptr;
}

// A restart logs again: the loggers that the last writer switched off as it ended are switched on,
// unless SetEnabled (or a configuration) has decided about them since.
bool LogManager::Start() {
  std::lock_guard<std::mutex> lifecycle(lifecycle_);
  if (running_.load(std::memory_order_relaxed) || HasThread()) {
    PrintToConsole("cvlog already start \r\n", LevelColour(LOG_FATAL));
    return false;
  }
  {
    std::lock_guard<std::mutex> entries(entriesLock_);
    const int last = lastId_.load(std::memory_order_acquire);
    for (int id = 0; id <= last; ++id) {
      LoggerEntry& entry = loggers_[id];
      if (entry.enabledAtStop) entry.enable.store(true, std::memory_order_relaxed);
      entry.enabledAtStop = false;
    }
    writerOpen_ = true;
    std::lock_guard<LockHelper> lock(submitLock_);
    running_.store(true, std::memory_order_relaxed);
  }
  if (!StartThread()) {
    {
      std::lock_guard<std::mutex> entries(entriesLock_);
      writerOpen_ = false;
      std::lock_guard<LockHelper> lock(submitLock_);
      running_.store(false, std::memory_order_relaxed);
    }
    PrintToConsole("cvlog: create cvlog thread error! \r\n");
    return false;
  }
  return startSem_.Wait(3000);
}

bool LogManager::Stop() {
  std::lock_guard<std::mutex> lifecycle(lifecycle_);
  if (!running_.load(std::memory_order_relaxed)) return false;
  PrintToConsole("cvlog stopping \r\n", LevelColour(LOG_FATAL));
  {
    std::lock_guard<LockHelper> lock(submitLock_);
    running_.store(false, std::memory_order_relaxed);
  }
  WakeWriter();
  JoinThread();
  pool_.Clear();
  return true;
}

bool LogManager::AwaitBriefly() {
  // A producer in full flow refills the queue within microseconds: giving up the processor a few
  // times first spares the files a flush and the producer the system call that wakes a sleeper.
  for (int i = 0; i < kIdleYields; ++i) {
    if (submitSize_.load(std::memory_order_relaxed) != 0) return true;
    std::this_thread::yield();
  }
  return false;
}

void LogManager::SleepWhileIdle() {
  std::unique_lock<std::mutex> lock(wakeMutex_);
  writerAsleep_.store(true, std::memory_order_relaxed);
  wakeCondition_.wait_for(lock, std::chrono::milliseconds(kIdlePollMs), [this] { return wakeRequested_; });
  wakeRequested_ = false;
  writerAsleep_.store(false, std::memory_order_relaxed);
}

// Decides, under both locks, whether the writer is done: Stop has been called and nothing is
// queued. Once it is, no line can be accepted any more and changes no longer come to the writer;
// the entry lock stays held until the files are closed, so a change made meanwhile applies after.
bool LogManager::LeaveWhenDrained() {
  if (running_.load(std::memory_order_relaxed)) return false;
  std::unique_lock<std::mutex> entries(entriesLock_);
  {
    std::lock_guard<LockHelper> lock(submitLock_);
    if (running_.load(std::memory_order_relaxed) || !submitQueue_.empty()) return false;
    writerOpen_ = false;
  }
  CloseAllAtExit();
  return true;
}

// Every logger is switched off as the writer ends; the ones that were on come back with Start.
void LogManager::CloseAllAtExit() {
  const int last = lastId_.load(std::memory_order_acquire);
  for (int id = 0; id <= last; ++id) {
    LoggerEntry& entry = loggers_[id];
    if (entry.enable.load(std::memory_order_relaxed)) {
      entry.enable.store(false, std::memory_order_relaxed);
      entry.enabledAtStop = true;
    }
    CloseFile(entry);
  }
}

void LogManager::Run() {
  LOG_LINE_ON(this, 0, LOG_ALARM, "-----------------  cvlog thread started!   ----------------------------");
  const int last = lastId_.load(std::memory_order_acquire);
  for (int id = 0; id <= last; ++id) {
    const LoggerEntry& entry = loggers_[id];
    if (!entry.enable.load(std::memory_order_relaxed)) continue;
    LOG_LINE_ON(this, 0, LOG_ALARM, "logger id=", id, " key=", entry.key, " name=", entry.name, " path=", entry.path,
                " level=", entry.level.load(std::memory_order_relaxed), " display=", entry.display ? "true" : "false");
  }
  // Noted before Start returns, so that the first interval is counted from a known moment.
  std::int64_t lastReloadCheck = clock_();
  startSem_.Post();

  int unflushed[LOGGER_MAX] = {};

  for (;;) {
    if (writerQueue_.empty() && submitSize_.load(std::memory_order_relaxed) != 0) {
      std::lock_guard<LockHelper> lock(submitLock_);
      if (!submitQueue_.empty()) {
        submitQueue_.swap(writerQueue_);
        submitSize_.store(0, std::memory_order_relaxed);
      }
    }

    if (writerQueue_.empty()) {
      if (AwaitBriefly()) continue;
      const int lastNow = lastId_.load(std::memory_order_acquire);
      for (int id = 0; id <= lastNow; ++id) {
        LoggerEntry& entry = loggers_[id];
        if (!entry.enable.load(std::memory_order_relaxed)) {
          CloseFile(entry);
        } else if (unflushed[id] != 0) {
          if (entry.file) std::fflush(entry.file);
          unflushed[id] = 0;
        }
      }
      Bump(idlePasses_);
      SleepWhileIdle();
      if (LeaveWhenDrained()) return;
      // A negative interval is no interval: it never comes round.
      const int interval = autoReloadSeconds_.load(std::memory_order_relaxed);
      if (interval > 0) {
        const std::int64_t now = clock_();
        if (now - lastReloadCheck > interval) {
          ReloadConfig();
          lastReloadCheck = now;
        }
      }
      continue;
    }

    LogRecord* record = writerQueue_.front();
    writerQueue_.pop_front();
    const int id = record->loggerId;
    if (BadId(id)) {
      ReleaseRecord(record);
      continue;
    }
    LoggerEntry& entry = loggers_[id];
    if (record->kind != kKindLine) {
      ApplyChange(id, static_cast<RecordKind>(record->kind), record->changeValue,
                  std::string_view(record->content, static_cast<std::size_t>(record->contentLength)));
      CloseFile(entry);
      ReleaseRecord(record);
      continue;
    }
    Bump(popCount_);
    if (entry.enable.load(std::memory_order_relaxed) && record->level >= entry.level.load(std::memory_order_relaxed)) {
      if (entry.display) {
        PrintToConsole(std::string_view(record->content, static_cast<std::size_t>(record->contentLength)),
                       LevelColour(record->level));
      }
      if (entry.outfile) {
        if (!OpenLogger(*record)) {
          ReleaseRecord(record);
          continue;
        }
        const std::size_t length = static_cast<std::size_t>(record->contentLength);
        if (entry.file && length != 0 && std::fwrite(record->content, 1, length, entry.file) != length) {
          CloseFile(entry);
        }
        entry.writeLength += length;
        ++unflushed[id];
      }
      Bump(writeCount_);
      Bump(writeBytes_, static_cast<std::uint64_t>(record->contentLength));
    }
    ReleaseRecord(record);
  }
}

bool LogManager::OpenLogger(const LogRecord& record) {
  const int id = record.loggerId;
  if (BadId(id)) {
    PrintToConsole("cvlog: openLogger can not open, invalide logger id! \r\n", LevelColour(LOG_FATAL));
    return false;
  }
  LoggerEntry& entry = loggers_[id];
  if (!entry.enable.load(std::memory_order_relaxed) || !entry.outfile ||
      record.level < entry.level.load(std::memory_order_relaxed)) {
    return false;
  }

  const bool sameDay = record.time >= entry.fileDayStart && record.time < entry.fileDayEnd;
  const bool overSize = entry.writeLength > LimitBytes(entry.limitsize);
  if (!sameDay) {
    entry.fileIndex = 0;
    CloseFile(entry);
  } else if (overSize) {
    ++entry.fileIndex;
    CloseFile(entry);
  }
  if (entry.file) return true;

  entry.fileCreationTime = record.time;
  entry.writeLength = 0;
  const platform::LocalTime opened = platform::ToLocalTime(record.time);
  const platform::LocalDay day = platform::LocalDayOf(record.time);
  entry.fileDayStart = day.start;
  entry.fileDayEnd = day.end;
  const std::string folder = LogFolder(entry.path, entry.monthdir, opened);
  if (!platform::IsDirectory(folder)) MakeDirectories(folder);
  const std::string path = folder + LogFileName(processName_, entry.name, opened, entry.fileIndex);

  std::FILE* file = platform::OpenForAppending(path);
  long size = -1;
  if (file) {
    if (!entry.fileBuffer) entry.fileBuffer = std::make_unique<char[]>(kFileBufferSize);
    std::setvbuf(file, entry.fileBuffer.get(), _IOFBF, kFileBufferSize);
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  }
  if (size < 0) {
    if (file) std::fclose(file);
    char message[500];
    std::snprintf(message, sizeof message, "cvlog: can not open log file %s. \r\n", path.c_str());
    // One print for the three lines, so that no other message of the module lands between them.
    const std::string bar = "!!!!!!!!!!!!!!!!!!!!!!!!!! \r\n";
    PrintToConsole(bar + message + bar, LevelColour(LOG_FATAL));
    entry.outfile = false;
    return false;
  }
  entry.file = file;
  entry.writeLength = static_cast<std::uint64_t>(size);

  if (entry.reserveTime > 0) {
    const std::int64_t now = clock_();
    if (entry.history.size() > 7) {
      while (!entry.history.empty() && entry.history.front().first < now - entry.reserveTime) {
        std::remove(entry.history.front().second.c_str());
        entry.history.pop_front();
      }
    }
    if (entry.history.empty() || entry.history.back().second != path) entry.history.emplace_back(now, path);
  }
  return true;
}

}  // namespace cvlog
