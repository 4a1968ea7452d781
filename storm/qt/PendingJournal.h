#pragma once

#include <QString>
#include <utility>
#include <vector>

#include "storm/Strike.h"

// The strikes the log has not taken yet, in a small file beside it ("<log>.pending"): one line a
// strike, appended with a plain write() before the strike is shown, so that a process killed from
// then on still has it; rewritten (or removed) as the log takes them. The next start reads it back
// and hands its strikes to the log again. A torn last line (a kill in the middle of a write) or a
// line that is not a sane strike is skipped.
//
// Copies of the program that share a data folder each keep a journal of their own (a lock file
// beside each says which are in use), so that one's rewrite never removes another's strikes; the
// journals of copies that are gone are taken over by the next to start.
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

  // Takes a journal of this copy's own (see below) and returns the strikes of an earlier run's,
  // and of the journals of copies no longer running, oldest first, each read a line at a time:
  // lines longer than kLongestLine, strikes that are not sane at `now` and other bad lines are
  // left out. Once this copy's own journal holds them, forgetAdopted() removes those others.
  std::vector<Strike> load(double now);
  bool adopted() const { return !adopted_.empty(); }
  void forgetAdopted();
  // Appends `strike`; false when the file cannot be written.
  bool append(const Strike& strike);
  // Makes the file hold exactly `strikes` (a new file renamed over it); with none, removes it. False
  // when it cannot be written, or something other than a regular file is in its place.
  bool rewrite(const std::vector<Strike>& strikes);

  // The journal in use: the usual one, or "<usual>-N" while another running copy holds that.
  const QString& path() const { return path_; }
  static constexpr size_t kLongestLine = 4096;
  // Copies of the program that may share a data folder, each with a journal of its own.
  static constexpr int kSlots = 10;

 private:
  bool openForAppend();
  QString slotPath(int slot) const;
  // The slot's lock (a file "<journal>.lock" held with flock while the copy runs), or -1 when
  // another running copy holds it.
  int lockSlot(int slot) const;

  const QString usual_;
  QString path_;
  int fd_ = -1;
  int lockFd_ = -1;
  std::vector<std::pair<QString, int>> adopted_;  // other copies' journals and their locks
};

}  // namespace storm::qt
