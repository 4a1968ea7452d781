#pragma once

#include <memory>

#include "system/Dispatch.h"
#include "system/qt/MainThreadQueue.h"
#include "system/qt/WorkerPool.h"

// The queues on Qt: the main queue runs blocks on the main thread's event loop; the low-priority
// queue runs them on the process's worker pool, which it may share with others (the tile loaders).

namespace storm::qt {

class QtDispatcher : public Dispatcher {
 public:
  // On the main thread. Without a pool, it makes one of its own.
  explicit QtDispatcher(std::shared_ptr<WorkerPool> pool = nullptr);
  // Waits for its low-priority blocks, queued or running; main-queue blocks not run yet are dropped.
  ~QtDispatcher() override;

  void asyncMain(std::function<void()> block) override;
  void asyncLowPriority(std::function<void()> block) override;

  // No block is queued or running on the worker pool, this queue's or another user's.
  bool idle() const;
  void waitForIdle();

  const std::shared_ptr<WorkerPool>& pool() const { return pool_; }

 private:
  std::shared_ptr<WorkerPool> pool_;
  MainThreadQueue main_;
};

}  // namespace storm::qt
