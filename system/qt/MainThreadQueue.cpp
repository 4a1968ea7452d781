#include "system/qt/MainThreadQueue.h"

#include <QSocketNotifier>
#include <utility>

#include <sys/eventfd.h>
#include <unistd.h>

namespace storm::qt {

MainThreadQueue::MainThreadQueue()
    : wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      notifier_(std::make_unique<QSocketNotifier>(wake_, QSocketNotifier::Read)) {
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { drain(); });
}

MainThreadQueue::~MainThreadQueue() {
  notifier_.reset();
  if (wake_ >= 0) close(wake_);
}

void MainThreadQueue::post(std::function<void()> block) {
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    blocks_.push_back(std::move(block));
    wake = !std::exchange(wakePending_, true);
  }
  if (wake) eventfd_write(wake_, 1);
}

void MainThreadQueue::drain() {
  eventfd_t count = 0;
  eventfd_read(wake_, &count);
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
