#include "storm/qt/SqliteStrikeStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <future>

#include "storm/qt/StrikeCsv.h"
#include "system/qt/QtLogger.h"
#include "system/qt/WorkerPool.h"

namespace storm::qt {

namespace {

// The schema, step by step: step i brings a file of version i to version i + 1. A later version
// adds a step and never edits an earlier one, so every file ever written can be brought up to date.
const std::vector<std::vector<const char*>>& migrations() {
  static const std::vector<std::vector<const char*>> steps = {
      // 0 -> 1: a new file.
      {"CREATE TABLE strikes (id INTEGER PRIMARY KEY, time REAL NOT NULL, delay REAL NOT NULL, km REAL NOT NULL, "
       "speed REAL NOT NULL, latitude REAL, longitude REAL, accuracy REAL NOT NULL DEFAULT 0)",
       "CREATE INDEX strikes_by_time ON strikes (time)"},
      // 1 -> 2: where each strike's position came from (NULL: not recorded).
      {"ALTER TABLE strikes ADD COLUMN source TEXT"},
  };
  return steps;
}

// SQLite's result codes for a file that is not a database or is damaged.
bool isDamage(const QSqlError& error) {
  const QString code = error.nativeErrorCode();
  return code == "11" || code == "26";  // SQLITE_CORRUPT, SQLITE_NOTADB
}

std::atomic<int> connectionCount{0};

constexpr const char* kColumns = "time, delay, km, speed, latitude, longitude, accuracy, source";

Strike strikeFrom(const QSqlQuery& q) {
  Strike s;
  s.time = q.value(0).toDouble();
  s.delay = q.value(1).toDouble();
  s.km = q.value(2).toDouble();
  s.speed = q.value(3).toDouble();
  if (!q.value(4).isNull() && !q.value(5).isNull())
    s.position = StrikePosition{q.value(4).toDouble(), q.value(5).toDouble(), q.value(6).toDouble(),
                                q.value(7).toString().toStdString()};
  return s;
}

// The asynchronous forms hand their answer to the main thread; the ...Now forms take it straight
// from the worker (through a promise), as their caller waits on the main thread.
template <class T>
std::function<void(T)> toMainThread(MainThreadQueue& main, std::function<void(T)> done) {
  return [&main, done = std::move(done)](T value) { main.post([done, value = std::move(value)] { done(value); }); };
}

}  // namespace

// One run of jobs' connection: opened on first use, on the thread that runs the jobs; closed and
// removed with this object.
class SqliteStrikeStore::Connection {
 public:
  explicit Connection(SqliteStrikeStore& store) : store_(store) {}
  ~Connection() { close(); }

  // Runs `work` in one transaction; a damaged file is moved aside and `work` tried once more on a
  // fresh one. False (reported once) when it could not be done.
  bool transaction(const char* what, const std::function<bool(QSqlQuery&)>& work, bool writes = true) {
    for (int attempt = 0; attempt < 2; ++attempt) {
      QSqlError error;
      if (open(error)) {
        QSqlQuery q(db_);
        if (!q.exec(writes ? "BEGIN IMMEDIATE" : "BEGIN")) {
          error = q.lastError();
        } else if (!work(q) || !q.exec("COMMIT")) {
          error = q.lastError();
          q.finish();
          q.exec("ROLLBACK");
        } else {
          store_.jobs_.reportedWriteProblem = false;
          return true;
        }
      }
      // The query is gone here, so the connection may be closed.
      if (attempt == 0 && isDamage(error) && moveAside(error)) continue;
      return failed(what, error);
    }
    return false;
  }

  // Reads with `work`, with the same care for a damaged file.
  bool read(const std::function<bool(QSqlQuery&)>& work) { return transaction("read the strike log", work, false); }

 private:
  bool open(QSqlError& error) {
    if (db_.isOpen()) return true;
    if (store_.jobs_.tooNew) {
      error = QSqlError("the file was written by a newer version of the program", {}, QSqlError::UnknownError);
      return false;
    }
    if (!QDir().mkpath(QFileInfo(store_.path_).absolutePath())) {
      error = QSqlError("cannot make its folder", {}, QSqlError::ConnectionError, "14");
      return false;
    }
    name_ = QStringLiteral("storm-strikes-%1").arg(connectionCount.fetch_add(1));
    db_ = QSqlDatabase::addDatabase("QSQLITE", name_);
    db_.setDatabaseName(store_.path_);
    db_.setConnectOptions("QSQLITE_BUSY_TIMEOUT=5000");
    if (!db_.open()) {
      error = db_.lastError();
      close();
      return false;
    }
    QSqlQuery q(db_);
    // WAL: a commit appends to the log file, and a kill mid-write leaves the last whole commit.
    // synchronous=FULL: a commit is on the disk, not only in the system's cache, before the strike
    // counts as saved.
    const bool set = q.exec("PRAGMA journal_mode=WAL") && q.exec("PRAGMA synchronous=FULL") &&
                     q.exec("PRAGMA user_version") && q.next();
    if (!set) {
      error = q.lastError();
      close();
      return false;
    }
    const int version = q.value(0).toInt();
    const auto& steps = migrations();
    if (version > static_cast<int>(steps.size())) {
      store_.jobs_.tooNew = true;
      error = QSqlError(
          QStringLiteral("its schema version %1 is newer than this program's %2").arg(version).arg(steps.size()), {},
          QSqlError::UnknownError);
      close();
      return false;
    }
    for (int step = version; step < static_cast<int>(steps.size()); ++step) {
      bool ok = q.exec("BEGIN IMMEDIATE");
      for (const char* statement : steps[static_cast<size_t>(step)]) ok = ok && q.exec(statement);
      ok = ok && q.exec(QStringLiteral("PRAGMA user_version = %1").arg(step + 1)) && q.exec("COMMIT");
      if (!ok) {
        error = q.lastError();
        QSqlQuery(db_).exec("ROLLBACK");
        close();
        return false;
      }
    }
    return true;
  }

  void close() {
    if (name_.isEmpty()) return;
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
    name_.clear();
  }

  bool moveAside(const QSqlError& why) {
    close();
    const QString& path = store_.path_;
    const double now = store_.clock_ ? store_.clock_->now() : 0.0;
    const QString stamp = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::floor(now)) * 1000, Qt::UTC)
                              .toString("yyyyMMdd'T'HHmmss'Z'");
    QString aside = path + ".damaged-" + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n) aside = path + ".damaged-" + stamp + "-" + QString::number(n);
    if (!QFile::rename(path, aside)) {
      qCWarning(lcStorm, "the strike log %s is damaged (%s) and cannot be moved aside", qPrintable(path),
                qPrintable(why.text()));
      store_.jobs_.reportedWriteProblem = true;
      return false;
    }
    // Its write-ahead log belongs to it, not to the fresh file.
    for (const char* suffix : {"-wal", "-shm"})
      if (QFileInfo::exists(path + suffix)) QFile::rename(path + suffix, aside + suffix);
    qCWarning(lcStorm, "the strike log %s is damaged (%s); moved it to %s and started a fresh log", qPrintable(path),
              qPrintable(why.text()), qPrintable(aside));
    return true;
  }

  bool failed(const char* what, const QSqlError& error) {
    if (!store_.jobs_.reportedWriteProblem) {
      store_.jobs_.reportedWriteProblem = true;
      qCWarning(lcStorm, "cannot %s in %s (%s); the strikes of this run are kept in memory", what,
                qPrintable(store_.path_), qPrintable(error.text()));
    }
    return false;
  }

  SqliteStrikeStore& store_;
  QString name_;
  QSqlDatabase db_;
};

SqliteStrikeStore::SqliteStrikeStore(QString path, std::shared_ptr<WorkerPool> pool, std::shared_ptr<Clock> clock)
    : path_(std::move(path)), pool_(std::move(pool)), clock_(std::move(clock)) {
  const double since = clock_->now() - kRecentSeconds;
  submit([this, since](Connection& c) {
    std::vector<Strike> loaded;
    c.read([&](QSqlQuery& q) {
      q.prepare(QStringLiteral("SELECT %1 FROM strikes WHERE time >= ? ORDER BY time, id").arg(kColumns));
      q.addBindValue(since);
      if (!q.exec()) return false;
      while (q.next()) loaded.push_back(strikeFrom(q));
      return true;
    });
    std::lock_guard lock(mutex_);
    // This run's strikes may already be here; they are newer than those of the file.
    recent_.insert(recent_.begin(), loaded.begin(), loaded.end());
    std::stable_sort(recent_.begin(), recent_.end(), [](const Strike& a, const Strike& b) { return a.time < b.time; });
    readBack_ = true;
  });
}

SqliteStrikeStore::~SqliteStrikeStore() { pool_->waitFor(this); }

void SqliteStrikeStore::submit(Job job) {
  std::lock_guard lock(mutex_);
  queue_.push_back(std::move(job));
  if (draining_) return;
  draining_ = true;
  pool_->post([this] { drain(); }, this);
}

void SqliteStrikeStore::drain() {
  for (;;) {
    {
      Connection connection(*this);
      for (;;) {
        Job job;
        {
          std::lock_guard lock(mutex_);
          if (queue_.empty()) break;
          job = std::move(queue_.front());
          queue_.pop_front();
        }
        job(connection);
      }
    }
    // The connection is closed before another run may start.
    std::lock_guard lock(mutex_);
    if (!queue_.empty()) continue;
    draining_ = false;
    finished_.notify_all();
    return;
  }
}

void SqliteStrikeStore::append(const Strike& strike) {
  {
    std::lock_guard lock(mutex_);
    recent_.push_back(strike);
  }
  submit([strike](Connection& c) {
    c.transaction("save a strike", [&](QSqlQuery& q) {
      q.prepare(QStringLiteral("INSERT INTO strikes (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?)").arg(kColumns));
      q.addBindValue(strike.time);
      q.addBindValue(strike.delay);
      q.addBindValue(strike.km);
      q.addBindValue(strike.speed);
      q.addBindValue(strike.position ? QVariant(strike.position->latitude) : QVariant(QMetaType::fromType<double>()));
      q.addBindValue(strike.position ? QVariant(strike.position->longitude) : QVariant(QMetaType::fromType<double>()));
      q.addBindValue(strike.position ? strike.position->accuracy : 0.0);
      q.addBindValue(strike.position && !strike.position->source.empty()
                         ? QVariant(QString::fromStdString(strike.position->source))
                         : QVariant(QMetaType::fromType<QString>()));
      return q.exec();
    });
  });
}

std::vector<Strike> SqliteStrikeStore::recent(double since) const {
  std::lock_guard lock(mutex_);
  std::vector<Strike> out;
  for (const Strike& s : recent_)
    if (s.time >= since) out.push_back(s);
  return out;
}

void SqliteStrikeStore::afterReadBack(std::function<void()> done) {
  bool read = false;
  {
    std::lock_guard lock(mutex_);
    read = readBack_;
  }
  if (read) {
    if (done) done();
    return;
  }
  // Jobs run in the order submitted: this one follows the read-back.
  submit([this, done = std::move(done)](Connection&) { main_->post(done); });
}

std::vector<Strike> SqliteStrikeStore::allStrikesNow() {
  auto answer = std::make_shared<std::promise<std::vector<Strike>>>();
  auto future = answer->get_future();
  readAll([answer](std::vector<Strike> strikes) { answer->set_value(std::move(strikes)); });
  return future.get();
}

bool SqliteStrikeStore::clearNow() {
  auto answer = std::make_shared<std::promise<bool>>();
  auto future = answer->get_future();
  clearAll([answer](bool ok) { answer->set_value(ok); });
  return future.get();
}

bool SqliteStrikeStore::exportNow(const QString& path) {
  auto answer = std::make_shared<std::promise<bool>>();
  auto future = answer->get_future();
  writeCSV(path, [answer](bool ok) { answer->set_value(ok); });
  return future.get();
}

void SqliteStrikeStore::allStrikes(std::function<void(std::vector<Strike>)> done) {
  readAll(toMainThread(*main_, std::move(done)));
}

void SqliteStrikeStore::clear(std::function<void(bool)> done) { clearAll(toMainThread(*main_, std::move(done))); }

void SqliteStrikeStore::exportCSV(const std::string& path, std::function<void(bool)> done) {
  writeCSV(QString::fromStdString(path), toMainThread(*main_, std::move(done)));
}

void SqliteStrikeStore::readAll(std::function<void(std::vector<Strike>)> done) {
  submit([this, done = std::move(done)](Connection& c) {
    std::vector<Strike> strikes;
    const bool read = c.read([&](QSqlQuery& q) {
      if (!q.exec(QStringLiteral("SELECT %1 FROM strikes ORDER BY time DESC, id DESC").arg(kColumns))) return false;
      while (q.next()) strikes.push_back(strikeFrom(q));
      return true;
    });
    // Without a readable file, what this run knows is all there is.
    if (!read) {
      std::lock_guard lock(mutex_);
      strikes.assign(recent_.rbegin(), recent_.rend());
    }
    done(std::move(strikes));
  });
}

void SqliteStrikeStore::readPage(long offset, long limit, std::function<void(StrikePage)> done) {
  submit([this, offset, limit, done = toMainThread(*main_, std::move(done))](Connection& c) {
    StrikePage page;
    page.offset = std::max(0L, offset);
    // The size and the page in one transaction: the same state of the log.
    const bool read = c.read([&](QSqlQuery& q) {
      page.strikes.clear();  // a damaged file's first try may have left some
      if (!q.exec("SELECT count(*) FROM strikes") || !q.next()) return false;
      page.total = q.value(0).toLongLong();
      q.finish();
      const long first = std::min(page.offset, page.total);
      const long count = std::clamp(limit, 0L, page.total - first);
      if (count == 0) return true;
      // Skipping rows is a walk along the time index, so the walk starts at the nearer end.
      const long fromOldest = page.total - first - count;
      const bool backwards = fromOldest < first;
      q.prepare(QStringLiteral("SELECT %1 FROM strikes ORDER BY time %2, id %2 LIMIT ? OFFSET ?")
                    .arg(kColumns, backwards ? "ASC" : "DESC"));
      q.addBindValue(static_cast<qlonglong>(count));
      q.addBindValue(static_cast<qlonglong>(backwards ? fromOldest : first));
      if (!q.exec()) return false;
      page.strikes.reserve(static_cast<size_t>(count));
      while (q.next()) page.strikes.push_back(strikeFrom(q));
      if (backwards) std::reverse(page.strikes.begin(), page.strikes.end());
      return true;
    });
    // Without a readable file, what this run knows is all there is.
    if (!read) {
      std::lock_guard lock(mutex_);
      page.total = static_cast<long>(recent_.size());
      page.strikes.clear();
      for (long i = page.offset; i < page.total && i < page.offset + std::max(0L, limit); ++i)
        page.strikes.push_back(recent_[static_cast<size_t>(page.total - 1 - i)]);
    }
    done(std::move(page));
  });
}

void SqliteStrikeStore::clearAll(std::function<void(bool)> done) {
  {
    std::lock_guard lock(mutex_);
    recent_.clear();
  }
  submit([done = std::move(done)](Connection& c) {
    done(c.transaction("clear the strike log", [](QSqlQuery& q) { return q.exec("DELETE FROM strikes"); }));
  });
}

void SqliteStrikeStore::writeCSV(const QString& target, std::function<void(bool)> done) {
  submit([target, done = std::move(done)](Connection& c) {
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
      qCWarning(lcStorm, "cannot export the strike log to %s (%s)", qPrintable(target), qPrintable(file.errorString()));
      return done(false);
    }
    file.write(StrikeCsv::header());
    StrikeCsv csv;
    const bool read = c.read([&](QSqlQuery& q) {
      if (!q.exec(QStringLiteral("SELECT %1 FROM strikes ORDER BY time, id").arg(kColumns))) return false;
      while (q.next()) {
        const std::string line = csv.line(strikeFrom(q));
        if (file.write(line.data(), static_cast<qint64>(line.size())) < 0) return false;
      }
      return true;
    });
    if (!read || !file.commit()) {
      if (read)
        qCWarning(lcStorm, "cannot export the strike log to %s (%s)", qPrintable(target),
                  qPrintable(file.errorString()));
      return done(false);
    }
    done(true);
  });
}

void SqliteStrikeStore::remove(double time, std::function<void(bool)> done) {
  {
    std::lock_guard lock(mutex_);
    std::erase_if(recent_, [time](const Strike& s) { return s.time == time; });
  }
  submit([time, done = toMainThread(*main_, std::move(done))](Connection& c) {
    done(c.transaction("remove a strike", [time](QSqlQuery& q) {
      q.prepare("DELETE FROM strikes WHERE time = ?");
      q.addBindValue(time);
      return q.exec();
    }));
  });
}

bool SqliteStrikeStore::idle() const {
  std::lock_guard lock(mutex_);
  return queue_.empty() && !draining_;
}

void SqliteStrikeStore::waitForIdle() {
  pool_->waitFor(this);  // through the pool first, which a wait releases when it is held
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [this] { return queue_.empty() && !draining_; });
}

}  // namespace storm::qt
