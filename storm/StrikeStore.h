#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "storm/Storms.h"
#include "storm/Strike.h"
#include "storm/Thinning.h"

// The strike log: every completed measurement, kept across runs. Appending returns at once, with
// the strike safe from a kill of the process (the database write happens elsewhere); the strikes
// of the last hour are also kept in memory, so the screens read them without waiting for the disk.
// Callbacks run on the main thread. Main thread only.

namespace storm {

// A stretch of the log, newest first, as one read saw it.
struct StrikePage {
  long total = 0;   // strikes in the whole log at that read
  long offset = 0;  // how many newer strikes come before the first of `strikes`
  std::vector<Strike> strikes;
};

// Strikes the log keeps in memory, oldest first: a view of a snapshot that stays as it was when
// taken. A busy hour is many strikes, so every reader shares the one snapshot instead of a copy.
struct RecentStrikes : std::span<const Strike> {
  RecentStrikes() = default;
  // The strikes of `all` (sorted by time) flashed at or after `since`.
  RecentStrikes(std::shared_ptr<const std::vector<Strike>> all, double since)
      : std::span<const Strike>(
            std::lower_bound(all->begin(), all->end(), since, [](const Strike& s, double t) { return s.time < t; }),
            all->end()),
        keep_(std::move(all)) {}

 private:
  std::shared_ptr<const std::vector<Strike>> keep_;
};

class StrikeStore {
 public:
  virtual ~StrikeStore() = default;

  // Keeps `strike`; written to the database in the background, in the order appended.
  virtual void append(const Strike& strike) = 0;
  // The strikes measured at or after wall-clock `since` that the log knows of (those still being
  // written included), oldest first. Only the last hour before the log was opened is read back
  // from disk.
  virtual RecentStrikes recent(double since) const = 0;
  // Calls `done` on the main thread once the last hour has been read back from disk, so that
  // `recent` knows it; at once when there is nothing to wait for.
  virtual void afterReadBack(std::function<void()> done) {
    if (done) done();
  }
  // Every strike, newest first, once everything appended before has been written.
  virtual void allStrikes(std::function<void(std::vector<Strike>)> done) = 0;
  // Up to `limit` strikes, newest first, after the `offset` newest, with the log's size, once
  // everything appended before has been written; for lists that read a long log a page at a time.
  // A store that cannot read a part of its log on its own cuts the page out of all of it.
  virtual void readPage(long offset, long limit, std::function<void(StrikePage)> done) {
    allStrikes([offset, limit, done = std::move(done)](std::vector<Strike> all) {
      StrikePage page;
      page.total = static_cast<long>(all.size());
      page.offset = std::max(0L, offset);
      for (long i = page.offset; i < page.total && i < page.offset + limit; ++i)
        page.strikes.push_back(all[static_cast<size_t>(i)]);
      done(std::move(page));
    });
  }
  // The log's storms, oldest first, each `first` counting the strikes before it; read without
  // holding the log's strikes, once everything appended before has been written.
  virtual void storms(std::function<void(std::vector<StormSpan>)> done) {
    allStrikes([done = std::move(done)](std::vector<Strike> newestFirst) {
      done(stormsOf(std::vector<Strike>(newestFirst.rbegin(), newestFirst.rend())));
    });
  }
  // The strikes flashed from `start` to `end`, oldest first: at most `most` of them, spread evenly
  // over the span, the first among them.
  virtual void strikesBetween(double start, double end, size_t most, std::function<void(std::vector<Strike>)> done) {
    allStrikes([start, end, most, done = std::move(done)](std::vector<Strike> newestFirst) {
      std::vector<Strike> within;
      for (auto s = newestFirst.rbegin(); s != newestFirst.rend(); ++s)
        if (s->time >= start && s->time <= end) within.push_back(*s);
      thinEvenly(within, most);
      done(std::move(within));
    });
  }
  // Empties the log; `done` learns whether it worked.
  virtual void clear(std::function<void(bool)> done) = 0;
  // Removes the strike whose flash was at `time`; `done` learns whether it worked.
  virtual void remove(double time, std::function<void(bool)> done) = 0;
  // Gives the strike whose flash was at `time` its direction, or takes it away; `done` learns
  // whether the log has it.
  virtual void setBearing(double time, std::optional<StrikeBearing> bearing, std::function<void(bool)> done) = 0;
  // Writes the log to `path` as CSV, oldest first; `done` learns what kept it from working (empty
  // when it worked).
  virtual void exportCSV(const std::string& path, std::function<void(std::string)> done) = 0;
};

}  // namespace storm
