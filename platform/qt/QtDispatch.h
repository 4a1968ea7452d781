#pragma once

#include <QObject>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Dispatch.h"

// The queues on Qt: the main queue runs blocks on the main thread's event loop; the
// low-priority queue is a small pool of worker threads that lower their own scheduling priority.
//
// Blocks change threads only through the standard library's locks, never inside a Qt event, so
// that the thread sanitizer (which cannot see the locking inside the Qt libraries) can check
// every hand-over. The pool's workers start with the queue and wait for blocks, so submitting
// one only hands it over.

namespace storm::qt {

// Blocks for the thread this object lives on, run in the order they were posted. Any thread
// may post; a posting only wakes the event loop with a queued call that carries no data.
class MainThreadQueue : public QObject {
  Q_OBJECT

 public:
  void post(std::function<void()> block);

 private slots:
  void drain();

 private:
  std::mutex mutex_;  // guards blocks_ and wakePending_
  std::deque<std::function<void()>> blocks_;
  bool wakePending_ = false;
};

class QtDispatcher : public Dispatcher {
 public:
  // On the main thread.
  explicit QtDispatcher(int workers = 2);
  // Runs the blocks still queued on the workers, then ends them.
  ~QtDispatcher() override;

  void asyncMain(std::function<void()> block) override;
  void asyncLowPriority(std::function<void()> block) override;

  // No block is queued or running on the low-priority queue.
  bool idle() const;
  void waitForIdle();

 private:
  void work();

  std::unique_ptr<MainThreadQueue> main_;
  mutable std::mutex mutex_;  // guards queue_, pending_ and stopping_
  std::condition_variable wake_;
  std::condition_variable becameIdle_;
  std::deque<std::function<void()>> queue_;
  int pending_ = 0;  // queued or running
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace storm::qt
