#pragma once

#include <QThreadPool>
#include <condition_variable>
#include <mutex>

#include "platform/Dispatch.h"

// The queues on Qt: the main queue posts to the application object's event loop; the
// low-priority queue is a pool of worker threads that lower their own scheduling priority.
// Its first worker is started with the queue and the workers never expire, so submitting a
// block only hands it to a waiting thread.

namespace storm::qt {

class QtDispatcher : public Dispatcher {
 public:
  QtDispatcher();
  // Waits for the blocks still queued or running on the workers.
  ~QtDispatcher() override;

  void asyncMain(std::function<void()> block) override;
  void asyncLowPriority(std::function<void()> block) override;

  // No block is queued or running on the low-priority queue.
  bool idle() const;
  void waitForIdle();

 private:
  QThreadPool pool_;
  mutable std::mutex mutex_;  // guards pending_
  std::condition_variable becameIdle_;
  int pending_ = 0;
};

}  // namespace storm::qt
