#pragma once

#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "system/Clock.h"
#include "storm/StrikeStore.h"
#include "system/qt/MainThreadQueue.h"

// The strike log in an SQLite database (Qt SQL's QSQLITE driver), in WAL mode. Every strike is
// inserted in a transaction of its own, so a process killed at any moment leaves each strike
// either whole or absent. The schema's version is the database's user_version; opening a file of
// an older version brings it up to date one step at a time.
//
// The database is touched only by jobs that run one after another on the process's worker pool:
// each run of them opens its own connection on the thread it runs on and closes it before the
// next run can start, as Qt SQL wants a connection used only on the thread that opened it.
//
// What goes wrong on disk never reaches the screen: a file that is not a database or is damaged
// is moved aside as "<file>.damaged-<UTC time>" and a fresh log starts; a folder or file that
// cannot be written (read-only, full disk) is reported once and the strikes of the run stay in
// memory. Each problem is one line on stderr.

namespace storm::qt {

class WorkerPool;

class SqliteStrikeStore : public StrikeStore {
 public:
  static constexpr int kSchemaVersion = 1;
  static constexpr double kRecentSeconds = 3600;

  // Main thread. Reads the last hour back in the background; `clock` dates that hour and a damaged
  // file's new name.
  SqliteStrikeStore(QString path, std::shared_ptr<WorkerPool> pool, std::shared_ptr<Clock> clock);
  // Waits for the writes still queued.
  ~SqliteStrikeStore() override;
  SqliteStrikeStore(const SqliteStrikeStore&) = delete;
  SqliteStrikeStore& operator=(const SqliteStrikeStore&) = delete;

  void append(const Strike& strike) override;
  std::vector<Strike> recent(double since) const override;
  void afterReadBack(std::function<void()> done) override;
  void allStrikes(std::function<void(std::vector<Strike>)> done) override;
  void readPage(long offset, long limit, std::function<void(StrikePage)> done) override;
  void clear(std::function<void(bool)> done) override;
  void remove(double time, std::function<void(bool)> done) override;
  void exportCSV(const std::string& path, std::function<void(bool)> done) override;

  // The same, waiting for the answer (for the automation mode and tests).
  std::vector<Strike> allStrikesNow();
  bool clearNow();
  bool exportNow(const QString& path);

  // Nothing is queued or being written.
  bool idle() const;
  void waitForIdle();
  const QString& path() const { return path_; }

  class Connection;

 private:
  using Job = std::function<void(Connection&)>;
  void submit(Job job);
  void drain();
  // The operations, answering on the worker.
  void readAll(std::function<void(std::vector<Strike>)> done);
  void clearAll(std::function<void(bool)> done);
  void writeCSV(const QString& path, std::function<void(bool)> done);

  const QString path_;
  const std::shared_ptr<WorkerPool> pool_;
  const std::shared_ptr<Clock> clock_;
  // Answers for the thread that made the store; those not delivered when it goes are dropped.
  const std::unique_ptr<MainThreadQueue> main_ = std::make_unique<MainThreadQueue>();

  mutable std::mutex mutex_;          // guards the members below
  std::condition_variable finished_;  // the queue ran empty
  std::deque<Job> queue_;
  bool draining_ = false;       // a run of jobs is posted or running
  std::vector<Strike> recent_;  // the last hour and this run's strikes, oldest first
  bool readBack_ = false;       // the last hour is in recent_
  // Touched only by the jobs, which run one at a time (handed over under mutex_).
  struct JobState {
    bool reportedWriteProblem = false;
    bool tooNew = false;  // the file is of a newer version than this program knows: left alone
  } jobs_;
  friend class Connection;
};

}  // namespace storm::qt
