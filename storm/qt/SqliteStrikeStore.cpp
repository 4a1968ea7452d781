#include "storm/qt/SqliteStrikeStore.h"

#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <limits>

#include "storm/qt/StoreAnswers.h"
#include "storm/qt/StrikeRows.h"
#include "system/qt/QtLogger.h"
#include "system/qt/WorkerPool.h"

namespace storm::qt {

namespace {

QVariant nullDouble() { return QVariant(QMetaType::fromType<double>()); }

QVariant nullText() { return QVariant(QMetaType::fromType<QString>()); }

// The direction's values for the columns bearing_deg, bearing_source, strike_lat, strike_lon,
// bound from `at` on.
void bindBearing(QSqlQuery& q, int at, const std::optional<StrikeBearing>& b) {
  const bool placed = b && b->placed;
  const QVariant values[] = {b ? QVariant(b->degrees) : nullDouble(),
                             b ? QVariant(QString::fromLatin1(bearingSourceName(b->source))) : nullText(),
                             placed ? QVariant(b->placed->latitude) : nullDouble(),
                             placed ? QVariant(b->placed->longitude) : nullDouble()};
  for (const QVariant& v : values) q.bindValue(at++, v);
}

// How the log's accuracy column, which cannot be empty, says that a position's accuracy is unknown:
// a value past any accuracy this version takes (so it reads as unknown), which copies from before
// still read as a strike (they take accuracies up to 10^8 m), rather than the 0 earlier versions
// wrote, which could be mistaken for a measured accuracy.
constexpr double kUnknownAccuracyInLog = 1e8;
static_assert(kUnknownAccuracyInLog > kFarthestAccuracy);

double accuracyInLog(const StrikePosition& p) {
  return knownAccuracy(p.accuracy) > 0 ? p.accuracy : kUnknownAccuracyInLog;
}

// The strike's values for the columns time, delay, km, speed, latitude, longitude, accuracy, source
// and the direction's four.
void bindStrike(QSqlQuery& q, const Strike& s) {
  const std::optional<StrikePosition>& p = s.position;
  const QVariant values[] = {s.time,
                             s.delay,
                             s.km,
                             s.speed,
                             p ? QVariant(p->latitude) : nullDouble(),
                             p ? QVariant(p->longitude) : nullDouble(),
                             p ? accuracyInLog(*p) : 0.0,
                             p && !p->source.empty() ? QVariant(QString::fromStdString(p->source)) : nullText()};
  int at = 0;
  for (const QVariant& v : values) q.bindValue(at++, v);
  bindBearing(q, at, s.bearing);
}

// What the journal should hold: the pending strikes, in order.
template <class Pending>
std::vector<Strike> strikesOf(const Pending& pending) {
  std::vector<Strike> out;
  for (const auto& k : pending) out.push_back(k.strike);
  return out;
}

}  // namespace

SqliteStrikeStore::SqliteStrikeStore(QString path, std::shared_ptr<WorkerPool> pool, std::shared_ptr<Clock> clock,
                                     std::shared_ptr<TimerScheduler> timers)
    : path_(std::move(path)),
      pool_(std::move(pool)),
      clock_(std::move(clock)),
      timers_(std::move(timers)),
      journal_(path_ + ".pending") {
  place_.usual = path_;
  place_.path = path_;
  place_.clock = clock_;
  inUse_ = path_;
  // What an earlier run could not write (a short file, usually none): pending again, in order,
  // and among the strikes known from the start.
  for (Strike& s : journal_.load(clock_->now())) {
    const Kept kept{std::move(s), nextOrder_++};
    pending_.push_back(kept);
    keepInHour(kept);
  }
  // Another copy's strikes, left when it ended: in this copy's journal before theirs go.
  if (journal_.adopted() && journal_.rewrite(strikesOf(pending_))) journal_.forgetAdopted();
  const double since = clock_->now() - kRecentSeconds;
  flushQueued_ = !pending_.empty();
  submit([this, since](StrikeLogConnection& c) {
    flush(c);
    readBack(c, since);
  });
  // The storms and the size of a long log take a moment to find: found now, while nothing waits
  // for them, the history screen has them at once. A damaged page met here is left to the reads
  // that need it.
  submit([this](StrikeLogConnection& c) {
    std::vector<StormSpan> storms;
    long count = 0;
    if (fileStorms(c, storms, false))
      c.transaction(
          "read the strike log", [&](QSqlQuery& q) { return strikeCount(q, &count); }, false, false);
  });
}

SqliteStrikeStore::~SqliteStrikeStore() {
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  if (retry_) retry_->invalidate();
  pool_->waitFor(this);
}

void SqliteStrikeStore::submit(Job job) {
  std::lock_guard lock(mutex_);
  queue_.push_back(std::move(job));
  if (draining_) return;
  draining_ = true;
  pool_->post([this] { drain(); }, this);
}

std::vector<Strike>& SqliteStrikeStore::hourToChange() {
  // Only those holding a snapshot raise the count, and they take it under mutex_: a count of one
  // stays one until the change is made.
  if (hour_.use_count() > 1) hour_ = std::make_shared<std::vector<Strike>>(*hour_);
  return *hour_;
}

void SqliteStrikeStore::keepInHour(const Kept& kept) {
  std::vector<Strike>& hour = hourToChange();
  const auto at = std::upper_bound(hour.begin(), hour.end(), kept.strike.time,
                                   [](double t, const Strike& s) { return t < s.time; });
  hour.insert(at, kept.strike);
  if (kept.order == 0) return;
  const std::pair<double, std::uint64_t> run{kept.strike.time, kept.order};
  runOrders_.insert(std::upper_bound(runOrders_.begin(), runOrders_.end(), run), run);
}

std::uint64_t SqliteStrikeStore::orderInHour(double time) const {
  const auto after = std::upper_bound(runOrders_.begin(), runOrders_.end(),
                                      std::pair{time, std::numeric_limits<std::uint64_t>::max()});
  return after != runOrders_.begin() && std::prev(after)->first == time ? std::prev(after)->second : 0;
}

void SqliteStrikeStore::dropFromHour(const std::function<bool(double, std::uint64_t)>& drop) {
  std::vector<Strike>& hour = hourToChange();
  std::erase_if(hour, [&](const Strike& s) { return drop(s.time, orderInHour(s.time)); });
  std::erase_if(runOrders_, [&](const auto& run) { return drop(run.first, run.second); });
}

void SqliteStrikeStore::drain() {
  for (;;) {
    {
      StrikeLogConnection connection(place_);
      for (;;) {
        Job job;
        {
          std::lock_guard lock(mutex_);
          if (queue_.empty()) break;
          job = std::move(queue_.front());
          queue_.pop_front();
        }
        job(connection);
        if (!place_.notices.empty())
          main_->post([this, notices = std::exchange(place_.notices, {})] {
            for (const std::string& n : notices) {
              notices_.push_back(n);
              if (notice_) notice_(n);
            }
          });
        std::lock_guard lock(mutex_);
        inUse_ = place_.path;
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
    const Kept kept{strike, nextOrder_++};
    keepInHour(kept);
    pending_.push_back(kept);
    if (!journal_.append(strike) && !journalReported_) {
      journalReported_ = true;
      qCWarning(lcStorm, "cannot write %s; strikes not in the strike log yet are lost if the program ends",
                qPrintable(journal_.path()));
    }
  }
  queueFlush();
}

void SqliteStrikeStore::queueFlush() {
  {
    std::lock_guard lock(mutex_);
    if (flushQueued_) return;
    flushQueued_ = true;
  }
  submit([this](StrikeLogConnection& c) { flush(c); });
}

void SqliteStrikeStore::flush(StrikeLogConnection& c) {
  std::vector<Kept> batch;
  {
    std::lock_guard lock(mutex_);
    flushQueued_ = false;
    batch.assign(pending_.begin(), pending_.end());
  }
  if (batch.empty()) return;
  const bool written = c.transaction("save a strike", [&](QSqlQuery& q) {
    // A strike of the journal may have been committed just before a kill: not twice.
    q.prepare(
        QStringLiteral("INSERT INTO strikes (time, delay, km, speed, latitude, longitude, accuracy, source, "
                       "bearing_deg, bearing_source, strike_lat, strike_lon) "
                       "SELECT ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ? WHERE NOT EXISTS "
                       "(SELECT 1 FROM strikes WHERE time = ? AND delay = ?)"));
    for (const Kept& k : batch) {
      bindStrike(q, k.strike);
      q.bindValue(12, k.strike.time);
      q.bindValue(13, k.strike.delay);
      if (!q.exec()) return false;
    }
    // A strike that was in the file already (pending again for a direction the file would not take,
    // or committed just before a kill) has the direction it has here.
    q.prepare(
        QStringLiteral("UPDATE strikes SET bearing_deg = ?, bearing_source = ?, strike_lat = ?, strike_lon = ? "
                       "WHERE time = ? AND delay = ?"));
    for (const Kept& k : batch) {
      bindBearing(q, 0, k.strike.bearing);
      q.bindValue(4, k.strike.time);
      q.bindValue(5, k.strike.delay);
      if (!q.exec()) return false;
    }
    return true;
  });
  ++fileWrites_;
  std::lock_guard lock(mutex_);
  if (!written) {
    // Without a file to write to, the journal keeps them for a later run; no timer waits for one.
    if (!closing_ && !place_.noFile) main_->post([this] { retryLater(); });
    return;
  }
  const std::uint64_t last = batch.back().order;
  while (!pending_.empty() && pending_.front().order <= last) pending_.pop_front();
  journal_.rewrite(strikesOf(pending_));
}

void SqliteStrikeStore::retryLater() {
  if (!timers_ || (retry_ && retry_->isValid())) return;
  retry_ = timers_->scheduledTimer(kRetrySeconds, false, [this] {
    retry_.reset();
    queueFlush();
  });
}

void SqliteStrikeStore::clear(std::function<void(bool)> done) { clearAll(toMainThread(*main_, std::move(done))); }

void SqliteStrikeStore::clearAll(std::function<void(bool)> done) {
  std::uint64_t upTo = 0;
  {
    std::lock_guard lock(mutex_);
    upTo = nextOrder_;
  }
  submit([this, upTo, done = std::move(done)](StrikeLogConnection& c) {
    const bool cleared =
        c.transaction("clear the strike log", [](QSqlQuery& q) { return q.exec("DELETE FROM strikes"); });
    ++fileWrites_;
    // Without a file, the strikes in memory are the whole log.
    const bool ok = cleared || place_.noFile;
    if (ok) {
      // What was appended after the clear was asked for stays.
      std::lock_guard lock(mutex_);
      dropFromHour([upTo](double, std::uint64_t order) { return order < upTo; });
      std::erase_if(pending_, [upTo](const Kept& k) { return k.order < upTo; });
      journal_.rewrite(strikesOf(pending_));
    }
    done(ok);
  });
}

void SqliteStrikeStore::setBearing(double time, std::optional<StrikeBearing> bearing, std::function<void(bool)> done) {
  std::function<void(bool)> answer = done ? toMainThread(*main_, std::move(done)) : [](bool) {};
  // A job, so that it follows every write queued before it: a strike appended a moment ago is in the
  // file by then, or still pending because the file would not take it.
  submit([this, time, bearing = std::move(bearing), done = std::move(answer)](StrikeLogConnection& c) {
    bool kept = false;
    {
      std::lock_guard lock(mutex_);
      for (Kept& k : pending_)
        if (k.strike.time == time) {
          k.strike.bearing = bearing;
          kept = true;
        }
      if (kept) journal_.rewrite(strikesOf(pending_));
    }
    int rows = 0;
    const QString good = strikeRowCondition(clock_->now());
    const bool written = kept || c.transaction("set a strike's direction", [&](QSqlQuery& q) {
      q.prepare(QStringLiteral("UPDATE strikes SET bearing_deg = ?, bearing_source = ?, strike_lat = ?, "
                               "strike_lon = ? WHERE time = ? AND %1")
                    .arg(good));
      bindBearing(q, 0, bearing);
      q.bindValue(4, time);
      if (!q.exec()) return false;
      rows = q.numRowsAffected();
      return true;
    });
    // A pending strike takes it with its next write; one the file would not take now is pending
    // again, with its direction, and written when the file can be.
    const bool ok = kept || (written && rows > 0) || (!written && keepPendingWith(time, bearing));
    if (ok) {
      std::lock_guard lock(mutex_);
      for (Strike& s : hourToChange())
        if (s.time == time) s.bearing = bearing;
    }
    done(ok);
  });
}

bool SqliteStrikeStore::keepPendingWith(double time, const std::optional<StrikeBearing>& bearing) {
  {
    std::lock_guard lock(mutex_);
    const auto known = std::find_if(hour_->begin(), hour_->end(), [time](const Strike& s) { return s.time == time; });
    if (known == hour_->end()) return false;
    Kept again{*known, nextOrder_++};
    again.strike.bearing = bearing;
    pending_.push_back(std::move(again));
    if (!journal_.rewrite(strikesOf(pending_))) return false;
  }
  queueFlush();
  return true;
}

void SqliteStrikeStore::remove(double time, std::function<void(bool)> done) {
  submit([this, time, done = toMainThread(*main_, std::move(done))](StrikeLogConnection& c) {
    bool wasPending = false;
    {
      std::lock_guard lock(mutex_);
      wasPending = std::erase_if(pending_, [time](const Kept& k) { return k.strike.time == time; }) > 0;
      if (wasPending) {
        journal_.rewrite(strikesOf(pending_));
      }
    }
    const bool removed = c.transaction("remove a strike", [time](QSqlQuery& q) {
      q.prepare("DELETE FROM strikes WHERE time = ?");
      q.addBindValue(time);
      return q.exec();
    });
    ++fileWrites_;
    const bool ok = removed || wasPending || place_.noFile;
    if (ok) {
      std::lock_guard lock(mutex_);
      dropFromHour([time](double t, std::uint64_t) { return t == time; });
    }
    done(ok);
  });
}

void SqliteStrikeStore::exportCSV(const std::string& path, std::function<void(std::string)> done) {
  // The name as the file system has it: bytes, whether or not they are valid text.
  writeCSV(QByteArray::fromStdString(path), toMainThread(*main_, std::move(done)));
}

std::string SqliteStrikeStore::exportNow(const QByteArray& path) {
  return waitForAnswer<std::string>(
      [this, &path](std::function<void(std::string)> done) { writeCSV(path, std::move(done)); });
}

void SqliteStrikeStore::onNotice(std::function<void(const std::string&)> notice) {
  notice_ = std::move(notice);
  if (notice_)
    for (const std::string& n : notices_) notice_(n);
}

std::vector<QString> SqliteStrikeStore::logFiles() const {
  std::lock_guard lock(mutex_);
  return {path_, inUse_, journal_.path()};
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
