#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "system/qt/WorkerPool.h"

// The worker pool that the low-priority queue and the tile loaders share: what an owner that goes
// away leaves behind on it.

namespace storm::qt {
namespace {

TEST(WorkerPool, CancelDropsTheOwnersWaitingJobsAndWaitsForItsRunningOne) {
  WorkerPool pool(1);
  const char owner = 0, other = 0;
  std::mutex mutex;  // guards ran
  std::vector<int> ran;
  auto record = [&](int job) {
    std::lock_guard lock(mutex);
    ran.push_back(job);
  };

  // The only worker is busy with somebody else's job: the owner's waiting jobs go, the others stay.
  std::promise<void> busy;
  pool.post([open = busy.get_future().share()] { open.wait(); });
  pool.post([&] { record(1); }, &owner);
  pool.post([&] { record(2); }, &other);
  pool.post([&] { record(3); }, &owner);
  pool.cancel(&owner);
  busy.set_value();
  pool.waitForIdle();
  EXPECT_EQ(ran, (std::vector<int>{2}));

  // A job of the owner's that has started is waited for.
  std::promise<void> gate, started;
  std::atomic<bool> finished = false;
  pool.post(
      [&, open = gate.get_future().share()] {
        started.set_value();
        open.wait();
        finished = true;
      },
      &owner);
  started.get_future().wait();
  bool finishedWhenCancelReturned = false;
  std::thread leaving([&] {
    pool.cancel(&owner);
    finishedWhenCancelReturned = finished;
  });
  gate.set_value();
  leaving.join();
  EXPECT_TRUE(finishedWhenCancelReturned) << "cancel returned while a job of its owner was running";
}

// A held pool starts nothing until it is released; waiting for a held job releases it, so that a
// hold nobody ends cannot stop the application.
TEST(WorkerPool, HeldJobsWaitForTheReleaseOrForSomebodyWaitingForThem) {
  const char busyOwner = 0, owner = 0;
  std::atomic<int> ran = 0;
  {
    WorkerPool pool(1);
    // The only worker finishes a job that was running when the hold began; the held job is still
    // queued when that job is over (had it started, cancel would wait for it to finish).
    std::promise<void> busy, started;
    pool.post(
        [&started, open = busy.get_future().share()] {
          started.set_value();
          open.wait();
        },
        &busyOwner);
    started.get_future().wait();
    pool.hold();
    pool.post([&] { ++ran; }, &owner);
    busy.set_value();
    pool.waitFor(&busyOwner);
    pool.cancel(&owner);
    EXPECT_EQ(ran, 0) << "a job started while the pool was held";

    pool.post([&] { ++ran; }, &owner);
    pool.release();
    pool.waitFor(&owner);
    EXPECT_EQ(ran, 1);

    pool.hold();
    pool.post([&] { ++ran; }, &owner);
    pool.waitFor(&owner);  // would never return if it left the pool held
    EXPECT_EQ(ran, 2);

    pool.hold();
    pool.post([&] { ++ran; });
    pool.waitForIdle();
    EXPECT_EQ(ran, 3);

    pool.hold();
    pool.post([&] { ++ran; });
  }
  EXPECT_EQ(ran, 4) << "the pool went without running the job it held";
}

}  // namespace
}  // namespace storm::qt
