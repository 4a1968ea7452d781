#include "system/qt/MainThreadQueue.h"

#include <QCoreApplication>
#include <QEvent>
#include <utility>

namespace storm::qt {

// Receives the wake-up event on the queue's thread.
class MainThreadQueue::Waker : public QObject {
 public:
  explicit Waker(MainThreadQueue& queue) : queue_(queue) {}
  bool event(QEvent* event) override {
    if (event->type() != QEvent::User) return QObject::event(event);
    queue_.drain();
    return true;
  }

 private:
  MainThreadQueue& queue_;
};

MainThreadQueue::MainThreadQueue() : waker_(std::make_unique<Waker>(*this)) {}

MainThreadQueue::~MainThreadQueue() = default;

void MainThreadQueue::post(std::function<void()> block) {
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    blocks_.push_back(std::move(block));
    wake = !std::exchange(wakePending_, true);
  }
  if (wake) QCoreApplication::postEvent(waker_.get(), new QEvent(QEvent::User));
}

void MainThreadQueue::drain() {
  std::deque<std::function<void()>> due;
  {
    std::lock_guard lock(mutex_);
    due.swap(blocks_);
    wakePending_ = false;
  }
  // Blocks posted by these blocks wake the loop again and run after them.
  for (auto& block : due) block();
}

}  // namespace storm::qt
