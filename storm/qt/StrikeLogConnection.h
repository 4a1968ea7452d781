#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "system/Clock.h"

// One connection to the strike log, for one run of the store's jobs: opened on first use on the
// thread that runs them, closed with this object (Qt SQL wants a connection used only on the
// thread that opened it).
//
// Opening it brings the file's schema up to date (read and changed inside one write transaction,
// so that two copies starting on a fresh log do not both make it). What it finds wrong falls in
// three kinds:
//   busy      the log is locked by another program, or the disk is full: nothing is lost, the
//             caller keeps what it could not write and tries again later;
//   damaged   a page cannot be read: the rows that read are copied to a fresh file that takes the
//             damaged one's place, or, when the table itself does not read, the damaged file is
//             moved aside as "<file>.damaged-<UTC time>" and a fresh log starts;
//   unusable  not a log this version can ever use (another program's table, a newer or impossible
//             schema version, something other than a regular file in its place or in its write-
//             ahead log's, a file that cannot be written): the file is left alone and the strikes
//             go to this version's own log beside it, "<name>-v<version>.<suffix>"; when that
//             cannot be used either, they stay with the caller.
// Each problem is one line on stderr; moving to the log of our own is a line of the app's log and a
// notice for the user.

namespace storm::qt {

// Where the strike log is and what the jobs have learnt of it. Touched only by the store's jobs,
// which run one at a time.
struct StrikeLogPlace {
  QString usual;  // the log's own file
  QString path;   // the file in use: the usual one, or this version's own beside it
  std::shared_ptr<Clock> clock;
  bool noFile = false;               // no file can be used in this run
  bool reported = false;             // the problem now in the way has been reported
  std::vector<std::string> notices;  // for the user's screen, each once; the store hands them on
  QString checked;                   // the file found whole at open in this run
};

// The schema, step by step: step i brings a file of version i to version i + 1. A later version
// adds a step and never edits an earlier one, so every file ever written can be brought up to date.
const std::vector<std::vector<const char*>>& strikeLogMigrations();
// The columns of `strikes` in a file of `version` (1 or later), comma-separated in their order.
QString strikeLogColumns(int version);

// What the user is told (on the screen) when the log's usual file cannot be used, and when no file
// can be; the app's log has the details.
inline constexpr const char* kOwnLogNotice =
    "The strike log cannot be used by this version: strikes are kept in a log of their own beside it.";
inline constexpr const char* kNoFileNotice = "No strike log can be written: strikes are kept only until the app ends.";
inline constexpr const char* kFutureNotice =
    "Some strikes in the log are dated in the future and are not shown: check the device's clock.";
inline constexpr const char* kDamagedNotice =
    "The strike log was damaged: it is kept aside, and a fresh log holds the strikes that could be read.";

enum class LogFault { None, Busy, Damaged, Unusable };

class StrikeLogConnection {
 public:
  static constexpr int kSchemaVersion = 3;
  static constexpr int kBusyMilliseconds = 100;           // how long one statement waits for a lock
  static constexpr qint64 kCheckedAtOpenBytes = 8 << 20;  // logs up to this size are checked whole at open

  explicit StrikeLogConnection(StrikeLogPlace& place) : place_(place) {}
  ~StrikeLogConnection() { close(); }
  StrikeLogConnection(const StrikeLogConnection&) = delete;
  StrikeLogConnection& operator=(const StrikeLogConnection&) = delete;

  // Runs `work` in one transaction (a write transaction with `writes`). A damaged file is repaired
  // and, with `again`, `work` tried once more. False (reported once) when it could not be done;
  // fault() says why.
  bool transaction(const char* what, const std::function<bool(QSqlQuery&)>& work, bool writes = true,
                   bool again = true);
  LogFault fault() const { return fault_; }

  // This version's own log beside `usual`.
  static QString ownLogPath(const QString& usual);

 private:
  bool open(QSqlError& error);
  bool openFile(QSqlError& error);
  // Leaves a file that cannot be used for this version's own log beside it, or for none.
  void moveOn(const QSqlError& error);
  // The file's schema brought to this version's; false with fault_ set when it cannot be.
  bool upToDate(QSqlError& error);
  // The steps from an older version to this one's, in one write transaction.
  bool migrate(QSqlError& error);
  // The file kept with a write-ahead log.
  bool writeAhead(QSqlError& error);
  // Marks the file as one this version cannot use, saying `why`; false.
  bool unusable(const QString& why, QSqlError& error);
  // Whether the file open is whole as far as can be told quickly; Damaged when it is not.
  bool looksWhole(QSqlError& error);
  bool repair(const QSqlError& why);
  bool rebuild(const QString& fresh, long& copied);
  bool moveAside(const QString& path, QString& aside);
  void close();
  bool failed(const char* what, const QSqlError& error);

  StrikeLogPlace& place_;
  QString name_;
  QSqlDatabase db_;
  LogFault fault_ = LogFault::None;
};

}  // namespace storm::qt
