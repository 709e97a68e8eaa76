#pragma once
// Waiting for a condition that another thread or process makes true.
#include <chrono>
#include <functional>
#include <thread>

namespace testing_support {

// Polls `done` every `step`; false when `limit` passed first. The limit only ends a test that
// would otherwise hang.
inline bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10),
                      std::chrono::milliseconds step = std::chrono::milliseconds(20)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(step);
  }
  return true;
}

}  // namespace testing_support
