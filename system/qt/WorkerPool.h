#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The process's worker threads: a few standard threads at low scheduling priority that run jobs
// in the order they were posted. The low-priority queue and the tile loaders share one pool.
//
// Jobs change threads only under the pool's mutex, so that the thread sanitizer sees every
// hand-over. The workers start when the first job may run and sleep on a condition variable;
// posting a job wakes one of them and nothing else. A job may be tagged with its owner, so that an
// owner that goes away can drop its jobs that have not started and wait for those that have.
//
// The pool can be held: its jobs then wait, and no worker starts, until it is released. The
// application holds it until its window's first frame is on screen, which the work queued at
// start-up would only slow down.

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
  struct Job {
    std::function<void()> run;
    Owner owner = nullptr;
  };

  void work();
  bool busyLocked(Owner owner) const;
  // Lets the queued jobs run: ends the hold and starts the workers if they have not started.
  void releaseLocked();

  mutable std::mutex mutex_;          // guards everything below (threads_ grows under it, before the pool stops)
  std::condition_variable wake_;      // a job was queued, or the pool is stopping
  std::condition_variable finished_;  // a job finished or was dropped
  std::deque<Job> queue_;
  std::vector<Owner> running_;  // the owner of each job running now
  std::uint64_t posted_ = 0;
  bool held_ = false;
  bool stopping_ = false;
  int threadCount_;
  std::vector<std::thread> threads_;
};

}  // namespace storm::qt
