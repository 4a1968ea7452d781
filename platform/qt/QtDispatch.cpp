#include "platform/qt/QtDispatch.h"

#include <QMetaObject>
#include <algorithm>
#include <utility>
#include <sys/resource.h>
#include <unistd.h>

namespace storm::qt {

namespace {

// Nice value of the worker threads: below the main thread, so bookkeeping never competes with
// drawing and input.
constexpr int kWorkerNice = 10;

}  // namespace

void MainThreadQueue::post(std::function<void()> block) {
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    blocks_.push_back(std::move(block));
    wake = !std::exchange(wakePending_, true);
  }
  if (wake) QMetaObject::invokeMethod(this, "drain", Qt::QueuedConnection);
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

QtDispatcher::QtDispatcher(int workers) : main_(std::make_unique<MainThreadQueue>()) {
  for (int i = 0; i < std::max(1, workers); ++i) workers_.emplace_back([this] { work(); });
}

QtDispatcher::~QtDispatcher() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (auto& worker : workers_) worker.join();
}

void QtDispatcher::asyncMain(std::function<void()> block) { main_->post(std::move(block)); }

void QtDispatcher::asyncLowPriority(std::function<void()> block) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(block));
    ++pending_;
  }
  wake_.notify_one();
}

void QtDispatcher::work() {
  // On Linux the nice value belongs to the thread, not to the process.
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kWorkerNice);
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;  // stopping, and nothing left to run
    std::function<void()> block = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    block();
    block = nullptr;  // what the block holds goes before the queue counts as idle
    lock.lock();
    if (--pending_ == 0) becameIdle_.notify_all();
  }
}

bool QtDispatcher::idle() const {
  std::lock_guard lock(mutex_);
  return pending_ == 0;
}

void QtDispatcher::waitForIdle() {
  std::unique_lock lock(mutex_);
  becameIdle_.wait(lock, [this] { return pending_ == 0; });
}

}  // namespace storm::qt
