#include "telemetry/report-queue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

namespace telemetry {
namespace {

class ReportQueue {
 public:
  // Made on first use and never destroyed: the launcher leaves with _exit, and a report may still
  // be on its way when it does.
  static ReportQueue& Instance() {
    static ReportQueue* queue = new ReportQueue;
    return *queue;
  }

  void Post(std::function<void()> send) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return;
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    pending_.push_back(std::move(send));
    wake_.notify_all();
  }

  bool WaitUntilSent(std::chrono::milliseconds limit, bool close) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (close) closed_ = true;
    return idle_.wait_for(lock, limit, [this] { return pending_.empty() && !sending_; });
  }

 private:
  ReportQueue() = default;

  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return !pending_.empty(); });
      std::function<void()> send = std::move(pending_.front());
      pending_.pop_front();
      sending_ = true;
      lock.unlock();
      send();
      lock.lock();
      sending_ = false;
      if (pending_.empty()) idle_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<std::function<void()>> pending_;
  bool sending_ = false;
  bool closed_ = false;
  std::thread thread_;
};

}  // namespace

void PostReport(std::function<void()> send) { ReportQueue::Instance().Post(std::move(send)); }

bool WaitForReports(std::chrono::milliseconds limit) {
  return ReportQueue::Instance().WaitUntilSent(limit, false);
}

bool CloseReports(std::chrono::milliseconds limit) {
  return ReportQueue::Instance().WaitUntilSent(limit, true);
}

}  // namespace telemetry
