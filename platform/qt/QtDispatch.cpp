#include "platform/qt/QtDispatch.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <sys/resource.h>
#include <unistd.h>

namespace storm::qt {

namespace {

// Nice value of the worker threads: below the main thread, so bookkeeping never competes with
// drawing and input.
constexpr int kWorkerNice = 10;

void lowerThisThreadsPriority() {
  thread_local bool lowered = false;
  if (lowered) return;
  lowered = true;
  // On Linux the nice value belongs to the thread, not to the process.
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kWorkerNice);
}

}  // namespace

QtDispatcher::QtDispatcher() {
  pool_.setObjectName("low-priority queue");
  pool_.setExpiryTimeout(-1);
  pool_.start([] { lowerThisThreadsPriority(); });
}

QtDispatcher::~QtDispatcher() { pool_.waitForDone(); }

void QtDispatcher::asyncMain(std::function<void()> block) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  QMetaObject::invokeMethod(app, std::move(block), Qt::QueuedConnection);
}

void QtDispatcher::asyncLowPriority(std::function<void()> block) {
  {
    std::lock_guard lock(mutex_);
    ++pending_;
  }
  pool_.start([this, block = std::move(block)] {
    lowerThisThreadsPriority();
    block();
    std::lock_guard lock(mutex_);
    if (--pending_ == 0) becameIdle_.notify_all();
  });
}

bool QtDispatcher::idle() const {
  std::lock_guard lock(mutex_);
  return pending_ == 0;
}

void QtDispatcher::waitForIdle() {
  std::unique_lock lock(mutex_);
  becameIdle_.wait(lock, [this] { return pending_ == 0; });
}

}  // namespace storm::qt
