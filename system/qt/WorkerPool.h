#pragma once

#include <QThreadPool>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

// The process's worker threads: a QThreadPool of a few threads at low scheduling priority that
// runs jobs in the order they were posted. The low-priority queue and the tile loaders share one
// pool.
//
// Each job is tagged with its owner, so that an owner that goes away can drop its jobs that have
// not started and wait for those that have; a job changes threads only under the pool's own
// mutex, a hand-over the thread sanitizer sees (QThreadPool's would be hidden inside Qt).
//
// The pool can be held: its jobs then wait, and none starts, until it is released. The application
// holds it until its window's first frame is on screen, which the work queued at start-up would
// only slow down.

namespace storm::qt {

class WorkerPool {
 public:
  // Identifies whose a job is; any address the owner is known by, null for nobody's.
  using Owner = const void*;

  explicit WorkerPool(int threads = 2);
  // Runs the jobs still queued, then ends the threads. Not from one of the pool's own jobs.
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Any thread; never runs the job before returning.
  void post(std::function<void()> job, Owner owner = nullptr);
  // Drops `owner`'s jobs that have not started and waits for its running ones to finish. Not from
  // one of `owner`'s own jobs.
  void cancel(Owner owner);
  // Waits until no job of `owner` is queued or running. Not from one of `owner`'s own jobs.
  void waitFor(Owner owner);

  // From now on no job starts until release(). Waiting for a job that is held (waitFor,
  // waitForIdle, the destructor) releases the pool: nothing waits for a hold that nobody ends.
  void hold();
  void release();

  // No job is queued or running.
  bool idle() const;
  void waitForIdle();
  // Jobs posted since the pool started.
  std::uint64_t posted() const;

 private:
  class Task;

  // Hands the held jobs to the threads; with `mutex_` held, and the tasks to start are returned.
  std::vector<Task*> releaseLocked();
  void start(const std::vector<Task*>& tasks);
  void finished(Task* task);
  bool busyLocked(Owner owner) const;

  QThreadPool threads_;
  mutable std::mutex mutex_;          // guards everything below and the jobs of the tasks
  std::condition_variable finished_;  // a job finished or was dropped
  std::vector<Task*> tasks_;          // not finished: held, queued or running
  std::deque<Task*> held_;            // posted while the pool was held, in order
  std::uint64_t posted_ = 0;
  bool holding_ = false;
};

}  // namespace storm::qt
