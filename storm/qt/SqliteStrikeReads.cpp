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

}  // namespace

void SqliteStrikeStore::readBack(StrikeLogConnection& c, double since) {
  std::vector<Strike> loaded;
  long skipped = 0;
  const QString good = strikeRowCondition(clock_->now());
  c.transaction(
      "read the strike log",
      [&](QSqlQuery& q) {
        loaded.clear();
        q.prepare(QStringLiteral("SELECT %1 FROM strikes WHERE time >= ? AND %2 ORDER BY time, id")
                      .arg(strikeRowColumns(), good));
        q.addBindValue(since);
        if (!q.exec()) return false;
        while (q.next()) loaded.push_back(strikeFromRow(q));
        if (q.lastError().isValid()) return false;
        q.prepare(QStringLiteral("SELECT count(*) FROM strikes WHERE time >= ? AND NOT (%1)").arg(good));
        q.addBindValue(since);
        if (!q.exec() || !q.next()) return false;
        skipped = q.value(0).toLongLong();
        return true;
      },
      false);
  reportSkipped(skipped);
  std::lock_guard lock(mutex_);
  // This run's strikes and the journal's may already be here, and in the file too.
  std::vector<double> known;
  for (const Kept& k : recent_) known.push_back(k.strike.time);
  std::sort(known.begin(), known.end());
  for (const Strike& s : loaded)
    if (!std::binary_search(known.begin(), known.end(), s.time)) recent_.push_back(Kept{s, 0});
  std::stable_sort(recent_.begin(), recent_.end(),
                   [](const Kept& a, const Kept& b) { return a.strike.time < b.strike.time; });
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

std::vector<Strike> SqliteStrikeStore::recent(double since) const {
  std::lock_guard lock(mutex_);
  std::vector<Strike> out;
  for (const Kept& k : recent_)
    if (k.strike.time >= since) out.push_back(k.strike);
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
    for (auto k = recent_.rbegin(); k != recent_.rend(); ++k) out.push_back(k->strike);
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
          if (!q.exec(QStringLiteral("SELECT count(*) FROM strikes WHERE %1").arg(good)) || !q.next()) return false;
          const long total = q.value(0).toLongLong();
          q.finish();
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
      page.total = static_cast<long>(recent_.size());
      page.strikes.clear();
      for (long i = page.offset; i < page.total && i < page.offset + std::max(0L, limit); ++i)
        page.strikes.push_back(recent_[static_cast<size_t>(page.total - 1 - i)].strike);
    }
    done(std::move(page));
  });
}

}  // namespace storm::qt
