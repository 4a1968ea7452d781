#pragma once

#include <QByteArray>
#include <QSqlQuery>
#include <QString>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "storm/StrikeStore.h"
#include "storm/qt/PendingJournal.h"
#include "storm/qt/StrikeLogConnection.h"
#include "system/Clock.h"
#include "system/qt/MainThreadQueue.h"

// The strike log in an SQLite database (Qt SQL's QSQLITE driver), in WAL mode, with the strikes it
// has not taken yet pending beside it.
//
// A strike is first appended to the journal of pending strikes (PendingJournal), on the caller's
// thread, before anyone is shown it: from then on a killed process still has it. The database
// takes the pending strikes in the background, in order, in a transaction of their own, and the
// journal forgets them once they are committed. A log that cannot take them for a while (locked
// by another program, a full disk) leaves them pending: they are still among the log's strikes in
// every answer, and the store tries again after kRetrySeconds on the application's timers, and
// with each new strike. Quitting waits at most for the one write under way (a lock is waited on
// for a tenth of a second); the journal keeps what is left for the next start, which writes it
// first (a strike already in the log is not written twice).
//
// The database is touched only by jobs that run one after another on the process's worker pool:
// each run of them has its own connection (StrikeLogConnection, which also says what is done with
// a damaged, locked or foreign file). Only rows that are strikes are read (StrikeRows.h); others
// are skipped and reported once.

namespace storm::qt {

class WorkerPool;

class SqliteStrikeStore : public StrikeStore {
 public:
  static constexpr int kSchemaVersion = StrikeLogConnection::kSchemaVersion;
  static constexpr double kRecentSeconds = 3600;
  static constexpr double kRetrySeconds = 2;

  // Main thread. Reads the journal an earlier run left, then the last hour in the background;
  // `clock` dates that hour and a damaged file's new name; `timers` (optional) tries a log that
  // could not be written again.
  SqliteStrikeStore(QString path, std::shared_ptr<WorkerPool> pool, std::shared_ptr<Clock> clock,
                    std::shared_ptr<TimerScheduler> timers = nullptr);
  // Waits for the job under way; what is still pending stays in the journal.
  ~SqliteStrikeStore() override;
  SqliteStrikeStore(const SqliteStrikeStore&) = delete;
  SqliteStrikeStore& operator=(const SqliteStrikeStore&) = delete;

  void append(const Strike& strike) override;
  RecentStrikes recent(double since) const override;
  void afterReadBack(std::function<void()> done) override;
  void allStrikes(std::function<void(std::vector<Strike>)> done) override;
  void readPage(long offset, long limit, std::function<void(StrikePage)> done) override;
  void storms(std::function<void(std::vector<StormSpan>)> done) override;
  void strikesBetween(double start, double end, size_t most, std::function<void(std::vector<Strike>)> done) override;
  void clear(std::function<void(bool)> done) override;
  void remove(double time, std::function<void(bool)> done) override;
  void setBearing(double time, std::optional<StrikeBearing> bearing, std::function<void(bool)> done) override;
  void exportCSV(const std::string& path, std::function<void(std::string)> done) override;

  // The same, waiting for the answer (for the automation mode and tests); `complete` (optional)
  // learns whether the file was read, or only the strikes this run knows are listed.
  std::vector<Strike> allStrikesNow(bool* complete = nullptr);
  // The export's problem, empty when it worked; `path` is the file system's bytes.
  std::string exportNow(const QByteArray& path);

  // What the user should be told about the log (that its strikes went to a file of their own);
  // `notice` is called on the main thread with each, those already known included.
  void onNotice(std::function<void(const std::string&)> notice);
  // Nothing is queued or being written.
  bool idle() const;
  void waitForIdle();
  const QString& path() const { return path_; }

 private:
  using Job = std::function<void(StrikeLogConnection&)>;
  struct Kept {
    Strike strike;
    std::uint64_t order = 0;  // 0: read from the file; this run's and the journal's count up
  };
  void submit(Job job);
  // The hour's strikes to change: a copy of its own first while a reader still holds them. mutex_ held.
  std::vector<Strike>& hourToChange();
  // `kept` among the hour's strikes, after those of its time or before. mutex_ held.
  void keepInHour(const Kept& kept);
  // The hour's strikes without those `drop` picks (by their time and order). mutex_ held.
  void dropFromHour(const std::function<bool(double, std::uint64_t)>& drop);
  // The order of the hour's strike flashed at `time`: 0 for one read back. mutex_ held.
  std::uint64_t orderInHour(double time) const;
  void drain();
  // The pending strikes into the file (a job); when that fails, a retry on the timers.
  void flush(StrikeLogConnection& c);
  void queueFlush();
  void retryLater();
  void readBack(StrikeLogConnection& c, double since);
  // The skipped rows of a read, reported once for the run. Jobs only.
  void reportSkipped(long rows);
  // Every strike, newest first, the pending ones included; false when the file could not be read.
  bool readAll(StrikeLogConnection& c, std::vector<Strike>& out);
  std::vector<Strike> pendingNewestFirst() const;
  // What tells one state of the file from another; empty when it could not be read. Jobs only.
  QString fileState(QSqlQuery& q) const;
  // The strikes in the file (a transaction's).
  bool strikeCount(QSqlQuery& q, long* count);
  // The file's storms, oldest first (`first` not set), found again only when the file changed; a
  // damaged file is repaired with `repair`.
  bool fileStorms(StrikeLogConnection& c, std::vector<StormSpan>& out, bool repair = true);
  void clearAll(std::function<void(bool)> done);
  // The strike flashed at `time` pending again with `bearing` (a job, after the file would not take
  // the direction); false when it is not known here or the journal cannot keep it.
  bool keepPendingWith(double time, const std::optional<StrikeBearing>& bearing);
  void writeCSV(const QByteArray& path, std::function<void(std::string)> done);
  // Hands the file's strikes flashed after `after`, in order of time (the oldest first or last), to
  // `take` until it says stop; false, with the fault, when the file could not be read to the end.
  bool readRows(StrikeLogConnection& c, bool oldestFirst, double after, const std::function<bool(const Strike&)>& take);
  // The log files in use, for an export that must not write over them.
  std::vector<QString> logFiles() const;

  const QString path_;
  const std::shared_ptr<WorkerPool> pool_;
  const std::shared_ptr<Clock> clock_;
  const std::shared_ptr<TimerScheduler> timers_;
  // Answers for the thread that made the store; those not delivered when it goes are dropped.
  const std::unique_ptr<MainThreadQueue> main_ = std::make_unique<MainThreadQueue>();

  mutable std::mutex mutex_;          // guards the members below
  std::condition_variable finished_;  // the queue ran empty
  std::deque<Job> queue_;
  bool draining_ = false;     // a run of jobs is posted or running
  // The last hour and this run's strikes, in order of time, shared with what recent() hands out.
  std::shared_ptr<std::vector<Strike>> hour_ = std::make_shared<std::vector<Strike>>();
  // The time and order of those this run put there (a few, while those read back are many), in
  // order of time; a strike's time is what tells it apart in the log.
  std::vector<std::pair<double, std::uint64_t>> runOrders_;
  std::deque<Kept> pending_;  // not in the file yet, in the order appended
  std::uint64_t nextOrder_ = 1;
  PendingJournal journal_;
  bool journalReported_ = false;
  bool flushQueued_ = false;
  bool closing_ = false;
  bool readBack_ = false;  // the last hour is in hour_
  QString inUse_;          // the log file the jobs last used
  // Touched only by the jobs, which run one at a time (handed over under mutex_).
  StrikeLogPlace place_;
  bool reportedSkipped_ = false;
  std::uint64_t fileWrites_ = 0;  // the file's changes this copy made
  QString stormsKey_;             // the state of the file fileStorms_ were found in
  std::vector<StormSpan> fileStorms_;
  QString countKey_;  // the state of the file strikeCount_ was counted in
  long strikeCount_ = 0;
  // Main thread only.
  std::shared_ptr<Timer> retry_;
  std::vector<std::string> notices_;
  std::function<void(const std::string&)> notice_;
};

}  // namespace storm::qt
