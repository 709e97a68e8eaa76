#include "ui/main-thread.h"

#include <glib.h>

namespace ui {
namespace {

gboolean RunOnce(gpointer data) {
  (*static_cast<std::function<void()>*>(data))();
  return G_SOURCE_REMOVE;
}

void DeleteFunction(gpointer data) { delete static_cast<std::function<void()>*>(data); }

}  // namespace

void PostToGuiThread(std::function<void()> fn) {
  // g_idle_add_full, not g_main_context_invoke: before the loop runs, the latter may call `fn`
  // right here on the calling thread.
  g_idle_add_full(G_PRIORITY_DEFAULT, RunOnce, new std::function<void()>(std::move(fn)), DeleteFunction);
}

Lifeline::Lifeline() : guiThread_(std::this_thread::get_id()) {}

std::shared_ptr<Lifeline> Lifeline::Create() { return std::shared_ptr<Lifeline>(new Lifeline()); }

void Lifeline::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = false;
  }
  changed_.notify_all();
}

bool Lifeline::IsOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_;
}

bool Lifeline::Call(std::function<void()> fn) {
  if (std::this_thread::get_id() == guiThread_) {
    if (!IsOpen()) return false;
    fn();
    return true;
  }

  // Shared by the waiter and the posted closure; the closure marks it finished when it is
  // destroyed, whether it ran or was dropped unrun.
  struct Pending {
    std::shared_ptr<Lifeline> life;
    bool finished = false;
    bool ran = false;
  };
  struct Finisher {
    std::shared_ptr<Pending> pending;
    ~Finisher() {
      {
        std::lock_guard<std::mutex> lock(pending->life->mutex_);
        pending->finished = true;
      }
      pending->life->changed_.notify_all();
    }
  };

  auto pending = std::make_shared<Pending>();
  pending->life = shared_from_this();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return false;
  }
  std::shared_ptr<Finisher> finisher(new Finisher{pending});
  PostToGuiThread([finisher, fn = std::move(fn)] {
    Pending& p = *finisher->pending;
    // Close runs on this thread too, so the widgets cannot go away between the check and `fn`.
    if (p.life->IsOpen()) {
      fn();
      std::lock_guard<std::mutex> lock(p.life->mutex_);
      p.ran = true;
    }
  });
  finisher.reset();  // the closure now holds the only reference

  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return pending->finished || !open_; });
  return pending->ran;
}

}  // namespace ui
