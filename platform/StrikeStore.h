#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Strike.h"

// The strike log: every completed measurement, kept across runs. Appending returns at once (the
// write happens elsewhere); the strikes of the last hour are also kept in memory, so the screens
// read them without waiting for the disk. Callbacks run on the main thread. Main thread only.

namespace storm {

class StrikeStore {
 public:
  virtual ~StrikeStore() = default;

  // Keeps `strike`; written to disk in the background, in the order appended.
  virtual void append(const Strike& strike) = 0;
  // The strikes measured at or after wall-clock `since` that the log knows of (those still being
  // written included), oldest first. Only the last hour before the log was opened is read back
  // from disk.
  virtual std::vector<Strike> recent(double since) const = 0;
  // Calls `done` on the main thread once the last hour has been read back from disk, so that
  // `recent` knows it; at once when there is nothing to wait for.
  virtual void afterReadBack(std::function<void()> done) {
    if (done) done();
  }
  // Every strike, newest first, once everything appended before has been written.
  virtual void allStrikes(std::function<void(std::vector<Strike>)> done) = 0;
  // Empties the log; `done` learns whether it worked.
  virtual void clear(std::function<void(bool)> done) = 0;
  // Writes the log to `path` as CSV, oldest first; `done` learns whether it worked.
  virtual void exportCSV(const std::string& path, std::function<void(bool)> done) = 0;
};

}  // namespace storm
