// The strike log's reads: the last hour at start, every strike, a page of them. The pending
// strikes are among the log's strikes in every answer.

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>

#include "storm/qt/SqliteStrikeStore.h"
#include "storm/qt/StoreAnswers.h"
#include "storm/qt/StrikeRows.h"
#include "system/qt/QtLogger.h"

namespace storm::qt {

namespace {

bool newerFirst(const Strike& a, const Strike& b) { return a.time > b.time; }

// `spans` (sorted by start) with those less than a storm's gap apart made one, and each one's
// `first` counted anew.
std::vector<StormSpan> joined(std::vector<StormSpan> spans) {
  std::vector<StormSpan> storms;
  size_t before = 0;
  for (const StormSpan& span : spans) {
    if (storms.empty() || span.start - storms.back().end > kStormGapSeconds) {
      storms.push_back(span);
      storms.back().first = before;
    } else {
      StormSpan& storm = storms.back();
      storm.end = std::max(storm.end, span.end);
      storm.count += span.count;
      storm.closestKm = std::min(storm.closestKm, span.closestKm);
    }
    before += static_cast<size_t>(span.count);
  }
  return storms;
}

}  // namespace

void SqliteStrikeStore::readBack(StrikeLogConnection& c, double since) {
  // Read straight into the form kept, sized beforehand: a busy hour is many strikes, and a second
  // copy of them, or a vector grown by doubling, would hold twice their memory for a moment. Room is
  // left for what this run knows already and for the strikes measured next.
  constexpr size_t kRoom = 1024;
  size_t known = 0;
  {
    std::lock_guard lock(mutex_);
    known = hour_->size();
  }
  auto loaded = std::make_shared<std::vector<Strike>>();
  long skipped = 0;
  bool future = false;
  const QString good = strikeRowCondition(clock_->now());
  c.transaction(
      "read the strike log",
      [&](QSqlQuery& q) {
        loaded->clear();
        q.prepare(QStringLiteral("SELECT count(*), sum(NOT (%1)) FROM strikes WHERE time >= ?").arg(good));
        q.addBindValue(since);
        if (!q.exec() || !q.next()) return false;
        skipped = q.value(1).toLongLong();
        loaded->reserve(static_cast<size_t>(std::max(0LL, q.value(0).toLongLong() - skipped)) + known + kRoom);
        q.finish();
        q.prepare(QStringLiteral("SELECT %1 FROM strikes WHERE time >= ? AND %2 ORDER BY time, id")
                      .arg(strikeRowColumns(), good));
        q.addBindValue(since);
        if (!q.exec()) return false;
        while (q.next()) loaded->push_back(strikeFromRow(q));
        if (q.lastError().isValid()) return false;
        // Strikes dated ahead of the clock are skipped: the user is told, for the clock may be wrong.
        q.prepare("SELECT count(*) FROM strikes WHERE time > ? AND typeof(time) IN ('integer','real')");
        q.addBindValue(clock_->now() + kLatestStrikeAhead);
        if (!q.exec() || !q.next()) return false;
        future = q.value(0).toLongLong() > 0;
        return true;
      },
      false);
  reportSkipped(skipped);
  if (future) place_.notices.push_back(kFutureNotice);
  std::lock_guard lock(mutex_);
  // This run's strikes and the journal's may already be here, and in the file too; those that are
  // not go after the file's strikes of their time. The file's are read in order of time.
  const auto byTime = [](const Strike& s, double t) { return s.time < t; };
  const auto inFile = [&](double time) {
    const auto same = std::lower_bound(loaded->begin(), loaded->end(), time, byTime);
    return same != loaded->end() && same->time == time;
  };
  std::vector<Kept> extra;
  for (const Strike& s : *hour_)
    if (!inFile(s.time)) extra.push_back(Kept{s, orderInHour(s.time)});
  hour_ = std::move(loaded);
  runOrders_.clear();
  for (const Kept& k : extra) keepInHour(k);
  readBack_ = true;
}

void SqliteStrikeStore::reportSkipped(long rows) {
  if (rows <= 0 || reportedSkipped_) return;
  reportedSkipped_ = true;
  qCWarning(lcStorm,
            "skipped %ld rows of the strike log %s that are not strikes (values of the wrong type or size, "
            "or a time before 2000 or more than five minutes ahead of the clock)",
            rows, qPrintable(place_.path));
}

RecentStrikes SqliteStrikeStore::recent(double since) const {
  std::lock_guard lock(mutex_);
  return RecentStrikes(hour_, since);
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
  submit([this, done = std::move(done)](StrikeLogConnection&) { main_->post(done); });
}

std::vector<Strike> SqliteStrikeStore::pendingNewestFirst() const {
  std::vector<Strike> out;
  for (const Kept& k : pending_) out.push_back(k.strike);
  std::stable_sort(out.begin(), out.end(), newerFirst);
  return out;
}

bool SqliteStrikeStore::readAll(StrikeLogConnection& c, std::vector<Strike>& out) {
  long skipped = 0;
  const QString good = strikeRowCondition(clock_->now());
  const bool read = c.transaction(
      "read the strike log",
      [&](QSqlQuery& q) {
        out.clear();
        if (!q.exec(QStringLiteral("SELECT %1 FROM strikes WHERE %2 ORDER BY time DESC, id DESC")
                        .arg(strikeRowColumns(), good)))
          return false;
        while (q.next()) out.push_back(strikeFromRow(q));
        if (q.lastError().isValid()) return false;
        if (!q.exec(QStringLiteral("SELECT count(*) FROM strikes WHERE NOT (%1)").arg(good)) || !q.next()) return false;
        skipped = q.value(0).toLongLong();
        return true;
      },
      false);
  reportSkipped(skipped);
  std::lock_guard lock(mutex_);
  if (!read) {
    // Without a readable file, what this run knows is all there is.
    out.clear();
    out.assign(hour_->rbegin(), hour_->rend());
    return false;
  }
  const std::vector<Strike> pending = pendingNewestFirst();
  std::vector<Strike> merged;
  merged.reserve(out.size() + pending.size());
  std::merge(pending.begin(), pending.end(), out.begin(), out.end(), std::back_inserter(merged), newerFirst);
  out = std::move(merged);
  return true;
}

void SqliteStrikeStore::allStrikes(std::function<void(std::vector<Strike>)> done) {
  submit([this, done = toMainThread(*main_, std::move(done))](StrikeLogConnection& c) {
    std::vector<Strike> strikes;
    readAll(c, strikes);
    done(std::move(strikes));
  });
}

std::vector<Strike> SqliteStrikeStore::allStrikesNow(bool* complete) {
  return waitForAnswer<std::vector<Strike>>([this, complete](std::function<void(std::vector<Strike>)> done) {
    submit([this, complete, done = std::move(done)](StrikeLogConnection& c) {
      std::vector<Strike> strikes;
      const bool read = readAll(c, strikes);
      if (complete) *complete = read;  // the caller waits for `done`, which follows
      done(std::move(strikes));
    });
  });
}

QString SqliteStrikeStore::fileState(QSqlQuery& q) const {
  // This copy's writes, other connections' (data_version), and, for a connection opened since, the
  // newest row and time: each a look-up, never a walk over the rows.
  if (!q.exec("PRAGMA data_version") || !q.next()) return {};
  QString key = q.value(0).toString();
  q.finish();
  if (!q.exec("SELECT max(id), max(time) FROM strikes") || !q.next()) return {};
  key += ' ' + q.value(0).toString() + ' ' + q.value(1).toString() + ' ' + QString::number(fileWrites_) + ' ' +
         place_.path;
  q.finish();
  return key;
}

bool SqliteStrikeStore::strikeCount(QSqlQuery& q, long* count) {
  // Every row is checked, which takes a while on a long log: counted again only when it changed.
  const QString key = fileState(q);
  if (key.isEmpty()) return false;
  if (key != countKey_) {
    if (!q.exec(QStringLiteral("SELECT count(*) FROM strikes WHERE %1").arg(strikeRowCondition(clock_->now()))) ||
        !q.next())
      return false;
    strikeCount_ = q.value(0).toLongLong();
    countKey_ = key;
    q.finish();
  }
  *count = strikeCount_;
  return true;
}

bool SqliteStrikeStore::fileStorms(StrikeLogConnection& c, std::vector<StormSpan>& out, bool repair) {
  const QString good = strikeRowCondition(clock_->now());
  return c.transaction(
      "read the strike log",
      [&](QSqlQuery& q) {
        const QString key = fileState(q);
        if (key.isEmpty()) return false;
        if (key == stormsKey_) {
          out = fileStorms_;
          return true;
        }
        // The storms found by SQLite itself: a strike more than the gap after the one before starts
        // the next storm, and the storms are the runs between.
        if (!q.exec(QStringLiteral("SELECT min(time), max(time), count(*), min(km) FROM ("
                                   " SELECT time, km, sum(gap) OVER (ORDER BY time ROWS UNBOUNDED PRECEDING) AS storm"
                                   " FROM (SELECT time, km, coalesce(time - lag(time) OVER (ORDER BY time) > %1, 1)"
                                   " AS gap FROM strikes WHERE %2)) GROUP BY storm ORDER BY storm")
                        .arg(kStormGapSeconds)
                        .arg(good)))
          return false;
        out.clear();
        while (q.next())
          out.push_back({q.value(0).toDouble(), q.value(1).toDouble(), q.value(2).toInt(), q.value(3).toDouble(), 0});
        if (q.lastError().isValid()) return false;
        stormsKey_ = key;
        fileStorms_ = out;
        return true;
      },
      false, repair);
}

void SqliteStrikeStore::storms(std::function<void(std::vector<StormSpan>)> done) {
  submit([this, done = toMainThread(*main_, std::move(done))](StrikeLogConnection& c) {
    std::vector<StormSpan> spans;
    const bool read = fileStorms(c, spans);
    std::vector<Strike> known;
    {
      std::lock_guard lock(mutex_);
      if (read) {
        known = pendingNewestFirst();
      } else {
        // Without a readable file, what this run knows is all there is.
        spans.clear();
        known = *hour_;
      }
    }
    for (const Strike& s : known) spans.push_back({s.time, s.time, 1, s.km, 0});
    std::stable_sort(spans.begin(), spans.end(),
                     [](const StormSpan& a, const StormSpan& b) { return a.start < b.start; });
    done(joined(std::move(spans)));
  });
}

void SqliteStrikeStore::strikesBetween(double start, double end, size_t most,
                                       std::function<void(std::vector<Strike>)> done) {
  submit([this, start, end, most, done = toMainThread(*main_, std::move(done))](StrikeLogConnection& c) {
    std::vector<Strike> within;
    const QString good = strikeRowCondition(clock_->now());
    // Every k-th of the span's rows in time, picked along the time index alone, so that only those
    // rows are read (a busy storm is many strikes).
    const bool read = c.transaction(
        "read the strike log",
        [&](QSqlQuery& q) {
          within.clear();
          q.prepare("SELECT count(*) FROM strikes WHERE time BETWEEN ? AND ?");
          q.addBindValue(start);
          q.addBindValue(end);
          if (!q.exec() || !q.next()) return false;
          const auto wanted = static_cast<qlonglong>(std::max<size_t>(1, most));
          const qlonglong every = std::max<qlonglong>(1, (q.value(0).toLongLong() + wanted - 1) / wanted);
          q.finish();
          q.prepare(
              QStringLiteral("SELECT %1 FROM strikes WHERE id IN (SELECT id FROM (SELECT id, row_number() OVER "
                             "(ORDER BY time, id) AS n FROM strikes WHERE time BETWEEN ? AND ?) WHERE (n - 1) % ? "
                             "= 0) AND %2 ORDER BY time, id")
                  .arg(strikeRowColumns(), good));
          q.addBindValue(start);
          q.addBindValue(end);
          q.addBindValue(every);
          if (!q.exec()) return false;
          while (q.next()) within.push_back(strikeFromRow(q));
          return !q.lastError().isValid();
        },
        false);
    {
      std::lock_guard lock(mutex_);
      if (!read) within.clear();
      auto add = [&](const Strike& s) {
        if (s.time >= start && s.time <= end) within.push_back(s);
      };
      if (read)
        for (const Kept& k : pending_) add(k.strike);
      else
        for (const Strike& s : *hour_) add(s);
    }
    std::stable_sort(within.begin(), within.end(), [](const Strike& a, const Strike& b) { return a.time < b.time; });
    thinEvenly(within, most);
    done(std::move(within));
  });
}

void SqliteStrikeStore::readPage(long offset, long limit, std::function<void(StrikePage)> done) {
  submit([this, offset, limit, done = toMainThread(*main_, std::move(done))](StrikeLogConnection& c) {
    StrikePage page;
    page.offset = std::max(0L, offset);
    std::vector<Strike> pending;
    {
      std::lock_guard lock(mutex_);
      pending = pendingNewestFirst();
    }
    // The pending strikes are the newest: they come first, then the file's.
    const long before = static_cast<long>(pending.size());
    for (long i = page.offset; i < before && i < page.offset + std::max(0L, limit); ++i)
      page.strikes.push_back(pending[static_cast<size_t>(i)]);
    const QString good = strikeRowCondition(clock_->now());
    // The size and the page in one transaction: the same state of the log.
    const bool read = c.transaction(
        "read the strike log",
        [&](QSqlQuery& q) {
          page.strikes.resize(std::min(page.strikes.size(), static_cast<size_t>(std::max(0L, before - page.offset))));
          long total = 0;
          if (!strikeCount(q, &total)) return false;
          const long first = std::min(std::max(0L, page.offset - before), total);
          const long count = std::clamp(limit - static_cast<long>(page.strikes.size()), 0L, total - first);
          page.total = before + total;
          if (count == 0) return true;
          // Skipping rows is a walk along the time index, so the walk starts at the nearer end.
          const long fromOldest = total - first - count;
          const bool backwards = fromOldest < first;
          q.prepare(QStringLiteral("SELECT %1 FROM strikes WHERE %3 ORDER BY time %2, id %2 LIMIT ? OFFSET ?")
                        .arg(strikeRowColumns(), backwards ? "ASC" : "DESC", good));
          q.addBindValue(static_cast<qlonglong>(count));
          q.addBindValue(static_cast<qlonglong>(backwards ? fromOldest : first));
          if (!q.exec()) return false;
          std::vector<Strike> rows;
          while (q.next()) rows.push_back(strikeFromRow(q));
          if (q.lastError().isValid()) return false;
          if (backwards) std::reverse(rows.begin(), rows.end());
          page.strikes.insert(page.strikes.end(), rows.begin(), rows.end());
          return true;
        },
        false);
    if (!read) {
      // Without a readable file, what this run knows is all there is.
      std::lock_guard lock(mutex_);
      page.total = static_cast<long>(hour_->size());
      page.strikes.clear();
      for (long i = page.offset; i < page.total && i < page.offset + std::max(0L, limit); ++i)
        page.strikes.push_back((*hour_)[static_cast<size_t>(page.total - 1 - i)]);
    }
    done(std::move(page));
  });
}

}  // namespace storm::qt
