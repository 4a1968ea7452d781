#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <future>

#include "system/qt/QtDispatch.h"

// The main queue and the low-priority queue on Qt.

namespace storm::qt {
namespace {

// Runs the event loop until `done` or 10 s have passed.
bool runUntil(const std::function<bool()>& done) {
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  poll.start(1);
  QTimer::singleShot(10000, &loop, &QEventLoop::quit);
  if (!done()) loop.exec();
  return done();
}

TEST(RatingQueues, LowPriorityBlocksRunLaterOnNicerWorkerThreads) {
  QtDispatcher dispatch;
  std::promise<void> release;
  std::promise<std::pair<Qt::HANDLE, int>> ran;
  dispatch.asyncLowPriority([&, go = release.get_future().share()] {
    go.wait();
    ran.set_value({QThread::currentThreadId(), getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()))});
  });
  // The block waits for the test, so the call must have returned without running it.
  EXPECT_FALSE(dispatch.idle());
  release.set_value();
  const auto [thread, nice] = ran.get_future().get();
  dispatch.waitForIdle();
  EXPECT_TRUE(dispatch.idle());
  EXPECT_NE(thread, QThread::currentThreadId());
  EXPECT_GT(nice, getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())));
}

TEST(RatingQueues, MainQueueRunsBlocksInOrderOnTheMainThread) {
  QtDispatcher dispatch;
  std::vector<int> order;
  std::vector<Qt::HANDLE> threads;
  dispatch.asyncLowPriority([&] {
    for (int i = 0; i < 3; ++i)
      dispatch.asyncMain([&, i] {
        order.push_back(i);
        threads.push_back(QThread::currentThreadId());
      });
  });
  dispatch.waitForIdle();
  EXPECT_TRUE(order.empty()) << "nothing runs before the main loop does";
  ASSERT_TRUE(runUntil([&] { return order.size() == 3; }));
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  for (Qt::HANDLE t : threads) EXPECT_EQ(t, QThread::currentThreadId());
}

}  // namespace
}  // namespace storm::qt
