#include "system/qt/WorkerPool.h"

#include <QRunnable>
#include <algorithm>
#include <atomic>
#include <iterator>
#include <utility>

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace storm::qt {

namespace {

// Nice value of the worker threads: below the main thread, so background work never competes
// with drawing and input. (Qt's thread priorities leave Linux's normal threads as they are.)
constexpr int kWorkerNice = 10;

void lowerThisThread() {
  thread_local const bool lowered = [] {
    // On Linux the nice value belongs to the thread, not to the process.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kWorkerNice);
    pthread_setname_np(pthread_self(), "storm-worker");
    return true;
  }();
  (void)lowered;
}

}  // namespace

// One posted job. It deletes itself once it ran, and a task taken back before it started is
// deleted by whoever took it: not QThreadPool, whose frees the thread sanitizer does not see (it
// would take the next task at the same address for the same memory).
class WorkerPool::Task : public QRunnable {
 public:
  Task(std::function<void()> job, Owner owner) : job_(std::move(job)), owner_(owner) { setAutoDelete(false); }
  Owner owner() const { return owner_; }
  bool started = false;  // guarded by the pool's mutex
  // Set once the task is complete; the worker reads it first, which makes everything written
  // before it visible there.
  std::atomic<WorkerPool*> pool{nullptr};

  void run() override {
    lowerThisThread();
    WorkerPool& owningPool = *pool.load(std::memory_order_acquire);
    std::function<void()> job;
    {
      std::lock_guard lock(owningPool.mutex_);
      started = true;
      job = std::move(job_);
    }
    job();
    job = nullptr;  // what the job holds goes before it counts as finished
    owningPool.finished(this);
    delete this;  // QThreadPool does not touch a task that does not delete itself after it ran
  }

 private:
  std::function<void()> job_;
  const Owner owner_;
};

WorkerPool::WorkerPool(int threads) { threads_.setMaxThreadCount(std::max(1, threads)); }

WorkerPool::~WorkerPool() {
  std::vector<Task*> released;
  {
    std::lock_guard lock(mutex_);
    released = releaseLocked();
  }
  start(released);
  // Waited for under our own lock, which the thread sanitizer sees, before QThreadPool's own wait.
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [this] { return tasks_.empty(); });
  lock.unlock();
  threads_.waitForDone();
}

void WorkerPool::post(std::function<void()> job, Owner owner) {
  Task* task = nullptr;
  {
    std::lock_guard lock(mutex_);
    task = new Task(std::move(job), owner);
    task->pool.store(this, std::memory_order_release);
    tasks_.push_back(task);
    ++posted_;
    if (holding_) {
      held_.push_back(task);
      return;
    }
  }
  threads_.start(task);
}

void WorkerPool::start(const std::vector<Task*>& tasks) {
  for (Task* task : tasks) threads_.start(task);
}

void WorkerPool::finished(Task* task) {
  std::lock_guard lock(mutex_);
  tasks_.erase(std::find(tasks_.begin(), tasks_.end(), task));
  finished_.notify_all();
}

void WorkerPool::hold() {
  std::lock_guard lock(mutex_);
  holding_ = true;
}

void WorkerPool::release() {
  std::vector<Task*> released;
  {
    std::lock_guard lock(mutex_);
    released = releaseLocked();
  }
  start(released);
}

std::vector<WorkerPool::Task*> WorkerPool::releaseLocked() {
  holding_ = false;
  std::vector<Task*> released(held_.begin(), held_.end());
  held_.clear();
  return released;
}

void WorkerPool::cancel(Owner owner) {
  std::vector<Task*> dropped;
  std::unique_lock lock(mutex_);
  const auto isOwners = [owner](const Task* task) { return task->owner() == owner; };
  std::copy_if(held_.begin(), held_.end(), std::back_inserter(dropped), isOwners);
  held_.erase(std::remove_if(held_.begin(), held_.end(), isOwners), held_.end());
  // A queued task the threads give back never runs; one they keep is starting, and is waited for
  // below. Under the lock no task can finish, so none of these is deleted (or its address reused)
  // meanwhile.
  for (Task* task : tasks_)
    if (isOwners(task) && !task->started && std::find(dropped.begin(), dropped.end(), task) == dropped.end() &&
        threads_.tryTake(task))
      dropped.push_back(task);
  for (Task* task : dropped) tasks_.erase(std::find(tasks_.begin(), tasks_.end(), task));
  if (!dropped.empty()) finished_.notify_all();
  finished_.wait(lock, [&] { return !busyLocked(owner); });
  lock.unlock();
  // What the dropped jobs hold is released outside the lock: releasing it may post again.
  for (Task* task : dropped) delete task;
}

void WorkerPool::waitFor(Owner owner) {
  std::vector<Task*> released;
  std::unique_lock lock(mutex_);
  if (holding_ && std::any_of(held_.begin(), held_.end(), [owner](const Task* task) { return task->owner() == owner; }))
    released = releaseLocked();
  lock.unlock();
  start(released);
  lock.lock();
  finished_.wait(lock, [&] { return !busyLocked(owner); });
}

bool WorkerPool::busyLocked(Owner owner) const {
  return std::any_of(tasks_.begin(), tasks_.end(), [owner](const Task* task) { return task->owner() == owner; });
}

bool WorkerPool::idle() const {
  std::lock_guard lock(mutex_);
  return tasks_.empty();
}

void WorkerPool::waitForIdle() {
  std::vector<Task*> released;
  std::unique_lock lock(mutex_);
  if (holding_ && !held_.empty()) released = releaseLocked();
  lock.unlock();
  start(released);
  lock.lock();
  finished_.wait(lock, [this] { return tasks_.empty(); });
}

std::uint64_t WorkerPool::posted() const {
  std::lock_guard lock(mutex_);
  return posted_;
}

}  // namespace storm::qt
