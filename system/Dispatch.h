#pragma once

#include <functional>
#include <mutex>

// Queues: the main queue runs blocks on the main thread, one after another, in the order they
// were submitted; the low-priority global queue runs them concurrently on worker threads of low
// priority. Both are safe to submit to from any thread and never run a block before returning.

namespace storm {

class Dispatcher {
 public:
  virtual ~Dispatcher() = default;
  virtual void asyncMain(std::function<void()> block) = 0;
  virtual void asyncLowPriority(std::function<void()> block) = 0;
};

// The once-only guard: `block` runs exactly once per flag, and every caller returns after it ran.
using OnceFlag = std::once_flag;

template <class Block>
void dispatchOnce(OnceFlag& flag, Block&& block) {
  std::call_once(flag, std::forward<Block>(block));
}

}  // namespace storm
