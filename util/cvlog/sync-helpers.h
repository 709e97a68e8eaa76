#pragma once
// The writer thread's host object and the two synchronisation objects of the manager.
#include <chrono>
#include <mutex>
#include <semaphore>
#include <thread>

namespace cvlog {

// Owns one thread that runs Run(). The owner joins it before it is destroyed.
class ThreadHelper {
 public:
  virtual ~ThreadHelper() = default;
  virtual void Run() = 0;

 protected:
  // Starts the thread; false when the system refuses one.
  bool StartThread() {
    try {
      thread_ = std::thread([this] { Run(); });
      return true;
    } catch (const std::system_error&) {
      return false;
    }
  }
  bool HasThread() const { return thread_.joinable(); }
  void JoinThread() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::thread thread_;
};

// A lock for short critical sections, taken through std::lock_guard so that every exit unlocks
// it. It retries briefly before it sleeps: the holder is usually done within a few instructions,
// and sleeping costs a producer two system calls and a thread switch.
class LockHelper {
 public:
  void lock() {
    for (int i = 0; i < 100; ++i) {
      if (mutex_.try_lock()) return;
    }
    mutex_.lock();
  }
  void unlock() { mutex_.unlock(); }

 private:
  std::mutex mutex_;
};

class SemHelper {
 public:
  explicit SemHelper(int initial = 0) : sem_(initial) {}
  // True only when the semaphore was posted within the time.
  bool Wait(int milliseconds) { return sem_.try_acquire_for(std::chrono::milliseconds(milliseconds)); }
  void Post() { sem_.release(); }

 private:
  std::counting_semaphore<64> sem_;
};

}  // namespace cvlog
