#pragma once
// The one way other threads reach the GUI thread. GTK is single-threaded: the install worker and
// the progress monitor hand their control changes to the GUI thread's main loop and wait for
// them. A Lifeline ties those calls to the widgets' life: once it is closed (the dialog is gone)
// a call does nothing and returns at once, and a caller already waiting is let go.
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace ui {

// Queues `fn` for the GUI thread's main loop and returns without waiting; safe from any thread.
// If the loop never runs again, `fn` is dropped unrun when its source is destroyed.
void PostToGuiThread(std::function<void()> fn);

class Lifeline : public std::enable_shared_from_this<Lifeline> {
 public:
  // Made on the GUI thread, which it remembers.
  static std::shared_ptr<Lifeline> Create();

  Lifeline(const Lifeline&) = delete;
  Lifeline& operator=(const Lifeline&) = delete;

  // GUI thread: from now on Call does nothing; callers waiting return at once.
  void Close();
  bool IsOpen() const;

  // Runs `fn` on the GUI thread and returns once it has run: true. Returns false without
  // running it when the lifeline is closed before `fn` gets its turn. On the GUI thread itself
  // `fn` runs at once.
  bool Call(std::function<void()> fn);

 private:
  Lifeline();

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = true;
  const std::thread::id guiThread_;
};

}  // namespace ui
