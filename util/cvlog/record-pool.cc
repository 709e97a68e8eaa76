#include "util/cvlog/record-pool.h"

#include <mutex>

namespace cvlog {

RecordPool::RecordPool(std::size_t capacity) : capacity_(capacity) { records_.reserve(capacity); }

RecordPool::~RecordPool() { Clear(); }

LogRecord* RecordPool::Take() {
  // An empty pool is the common case under a burst: it costs no lock.
  if (Size() == 0) return nullptr;
  std::lock_guard<LockHelper> lock(lock_);
  if (records_.empty()) return nullptr;
  LogRecord* record = records_.back();
  records_.pop_back();
  size_.store(records_.size(), std::memory_order_relaxed);
  return record;
}

void RecordPool::Give(LogRecord* record) {
  if (!record) return;
  if (Size() >= capacity_) {
    delete record;
    return;
  }
  std::lock_guard<LockHelper> lock(lock_);
  records_.push_back(record);
  size_.store(records_.size(), std::memory_order_relaxed);
}

void RecordPool::Clear() {
  std::lock_guard<LockHelper> lock(lock_);
  for (LogRecord* record : records_) delete record;
  records_.clear();
  size_.store(0, std::memory_order_relaxed);
}

}  // namespace cvlog
