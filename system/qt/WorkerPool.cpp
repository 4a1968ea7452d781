#include "system/qt/WorkerPool.h"

#include <algorithm>
#include <utility>

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace storm::qt {

namespace {

// Nice value of the worker threads: below the main thread, so background work never competes
// with drawing and input.
constexpr int kWorkerNice = 10;

}  // namespace

WorkerPool::WorkerPool(int threads) : threadCount_(std::max(1, threads)) {}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard lock(mutex_);
    if (!queue_.empty()) releaseLocked();
    stopping_ = true;
  }
  wake_.notify_all();
  for (auto& thread : threads_) thread.join();
}

void WorkerPool::post(std::function<void()> job, Owner owner) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back({std::move(job), owner});
    ++posted_;
    if (!held_ && threads_.empty()) releaseLocked();
  }
  wake_.notify_one();
}

void WorkerPool::hold() {
  std::lock_guard lock(mutex_);
  held_ = true;
}

void WorkerPool::release() {
  {
    std::lock_guard lock(mutex_);
    releaseLocked();
  }
  wake_.notify_all();
}

void WorkerPool::releaseLocked() {
  held_ = false;
  if (threads_.empty() && !stopping_ && !queue_.empty())
    for (int i = 0; i < threadCount_; ++i) threads_.emplace_back([this] { work(); });
}

void WorkerPool::cancel(Owner owner) {
  std::deque<Job> dropped;
  std::unique_lock lock(mutex_);
  for (auto it = queue_.begin(); it != queue_.end();) {
    if (it->owner == owner) {
      dropped.push_back(std::move(*it));
      it = queue_.erase(it);
    } else {
      ++it;
    }
  }
  if (!dropped.empty()) finished_.notify_all();
  finished_.wait(lock, [&] { return std::find(running_.begin(), running_.end(), owner) == running_.end(); });
  lock.unlock();
  // What the dropped jobs hold is released outside the lock: releasing it may post again.
  dropped.clear();
}

void WorkerPool::waitFor(Owner owner) {
  std::unique_lock lock(mutex_);
  if (held_ && std::any_of(queue_.begin(), queue_.end(), [owner](const Job& job) { return job.owner == owner; })) {
    releaseLocked();
    wake_.notify_all();
  }
  finished_.wait(lock, [&] { return !busyLocked(owner); });
}

bool WorkerPool::busyLocked(Owner owner) const {
  return std::find(running_.begin(), running_.end(), owner) != running_.end() ||
         std::any_of(queue_.begin(), queue_.end(), [owner](const Job& job) { return job.owner == owner; });
}

bool WorkerPool::idle() const {
  std::lock_guard lock(mutex_);
  return queue_.empty() && running_.empty();
}

void WorkerPool::waitForIdle() {
  std::unique_lock lock(mutex_);
  if (held_ && !queue_.empty()) {
    releaseLocked();
    wake_.notify_all();
  }
  finished_.wait(lock, [this] { return queue_.empty() && running_.empty(); });
}

std::uint64_t WorkerPool::posted() const {
  std::lock_guard lock(mutex_);
  return posted_;
}

void WorkerPool::work() {
  // On Linux the nice value belongs to the thread, not to the process.
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kWorkerNice);
  pthread_setname_np(pthread_self(), "storm-worker");
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || (!held_ && !queue_.empty()); });
    if (queue_.empty()) return;  // stopping, and nothing left to run
    Job job = std::move(queue_.front());
    queue_.pop_front();
    running_.push_back(job.owner);
    lock.unlock();
    job.run();
    job.run = nullptr;  // what the job holds goes before it counts as finished
    lock.lock();
    running_.erase(std::find(running_.begin(), running_.end(), job.owner));
    finished_.notify_all();
  }
}

}  // namespace storm::qt
