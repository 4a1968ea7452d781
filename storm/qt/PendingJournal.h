#pragma once

#include <QString>
#include <vector>

#include "storm/Strike.h"

// The strikes the log has not taken yet, in a small file beside it ("<log>.pending"): one line a
// strike, appended with a plain write() before the strike is shown, so that a process killed from
// then on still has it; rewritten (or removed) as the log takes them. The next start reads it back
// and hands its strikes to the log again. A torn last line (a kill in the middle of a write) or a
// line that is not a sane strike is skipped.
//
// Not thread-safe: its owner guards it.

namespace storm::qt {

class PendingJournal {
 public:
  // Does not touch the disk.
  explicit PendingJournal(QString path);
  ~PendingJournal();
  PendingJournal(const PendingJournal&) = delete;
  PendingJournal& operator=(const PendingJournal&) = delete;

  // The strikes of an earlier run's journal, in order, read a line at a time; lines longer than
  // kLongestLine, strikes that are not sane at `now` and other bad lines are left out.
  std::vector<Strike> load(double now) const;
  // Appends `strike`; false when the file cannot be written.
  bool append(const Strike& strike);
  // Makes the file hold exactly `strikes` (a new file renamed over it); with none, removes it. False
  // when it cannot be written, or something other than a regular file is in its place.
  bool rewrite(const std::vector<Strike>& strikes);

  const QString& path() const { return path_; }
  static constexpr size_t kLongestLine = 4096;

 private:
  bool openForAppend();

  const QString path_;
  int fd_ = -1;
};

}  // namespace storm::qt
