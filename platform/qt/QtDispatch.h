#pragma once

#include <QThreadPool>
#include <atomic>

#include "platform/Dispatch.h"

// The queues on Qt: the main queue posts to the application object's event loop; the
// low-priority queue is a pool of worker threads that lower their own scheduling priority.

namespace storm::qt {

class QtDispatcher : public Dispatcher {
 public:
  QtDispatcher();
  // Waits for the blocks still running on the workers.
  ~QtDispatcher() override;

  void asyncMain(std::function<void()> block) override;
  void asyncLowPriority(std::function<void()> block) override;

  // No block is queued or running on the low-priority queue.
  bool idle() const { return pending_.load() == 0; }
  void waitForIdle();

 private:
  QThreadPool pool_;
  std::atomic<int> pending_{0};
};

}  // namespace storm::qt
