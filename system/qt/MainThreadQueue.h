#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QSocketNotifier;

// Blocks for the thread that made the queue (the main thread), run by its event loop in the order
// they were posted. Any thread may post. A posting wakes the loop through an event counter (an
// eventfd the loop watches) only when no wake-up is pending yet; the blocks themselves change
// threads under the queue's mutex. Both are hand-overs the thread sanitizer sees, where a queued
// Qt call would hide them inside the uninstrumented Qt library.

namespace storm::qt {

class MainThreadQueue {
 public:
  // On the thread whose event loop is to run the blocks.
  MainThreadQueue();
  // Blocks not run yet are dropped. Nothing may post any more.
  ~MainThreadQueue();
  MainThreadQueue(const MainThreadQueue&) = delete;
  MainThreadQueue& operator=(const MainThreadQueue&) = delete;

  void post(std::function<void()> block);

 private:
  void drain();

  const int wake_;  // the event counter
  std::unique_ptr<QSocketNotifier> notifier_;
  std::mutex mutex_;  // guards blocks_ and wakePending_
  std::deque<std::function<void()>> blocks_;
  bool wakePending_ = false;
};

}  // namespace storm::qt
