#pragma once
// Records kept for reuse, so that a steady stream of lines allocates nothing. The pool owns the
// records it holds and frees them when it is cleared or destroyed.
#include <atomic>
#include <cstddef>
#include <vector>

#include "util/cvlog/cvlog.h"
#include "util/cvlog/sync-helpers.h"

namespace cvlog {

class RecordPool {
 public:
  explicit RecordPool(std::size_t capacity);
  ~RecordPool();
  RecordPool(const RecordPool&) = delete;
  RecordPool& operator=(const RecordPool&) = delete;

  // A kept record, or nullptr when none is left.
  LogRecord* Take();
  // Keeps the record, or frees it when the pool is full.
  void Give(LogRecord* record);
  // Frees every kept record.
  void Clear();
  // Read without the lock, so a moment old when other threads take or give.
  std::size_t Size() const { return size_.load(std::memory_order_relaxed); }

 private:
  const std::size_t capacity_;
  LockHelper lock_;
  std::vector<LogRecord*> records_;
  std::atomic<std::size_t> size_{0};
};

}  // namespace cvlog
