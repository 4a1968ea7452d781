// The strike log written out as CSV: only to a regular file or a new one, never through a link, onto
// the log or under one of its files' names, through a temporary file in the target's folder that
// takes the target's name once whole.

#include <limits.h>
#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "storm/qt/SqliteStrikeStore.h"
#include "storm/qt/StrikeCsv.h"
#include "storm/qt/StrikeRows.h"
#include "storm/qt/WholeFile.h"
#include "system/qt/QtLogger.h"

namespace storm::qt {

namespace {

// The folder of `path` with every link resolved, and its last name; an empty folder when it
// cannot be found.
std::pair<QByteArray, QByteArray> placeOf(const QByteArray& path) {
  const qsizetype slash = path.lastIndexOf('/');
  const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
  char resolved[PATH_MAX];
  if (!::realpath(folder.constData(), resolved)) return {};
  return {QByteArray(resolved), path.mid(slash + 1)};
}

// `target` names one of the files the log keeps, or will keep, beside it: the log, this version's
// own log, and their write-ahead, shared-memory, rollback and pending files.
bool isLogName(const QByteArray& target, const QString& log) {
  const auto [folder, name] = placeOf(target);
  if (folder.isEmpty()) return false;
  for (const QString& base : {log, StrikeLogConnection::ownLogPath(log)})
    for (const char* suffix : {"", "-wal", "-shm", "-journal", ".pending", ".pending.lock"}) {
      const auto [logFolder, logName] = placeOf(QFile::encodeName(base) + suffix);
      if (logFolder == folder && logName == name) return true;
    }
  return false;
}

// Why `target` may not be written over, or nothing. `logs` are the files of the log; one of them
// reached under another name (a link, a hard link) is still the log: files are told apart by
// device and inode.
std::string refusal(const QByteArray& target, const QString& log, const std::vector<QString>& logs) {
  const std::string shown = QFile::decodeName(target).toStdString();
  struct stat info {};
  if (::stat(target.constData(), &info) != 0) {
    if (errno != ENOENT) return "cannot export to " + shown + " (" + std::strerror(errno) + ")";
    if (pathKind(target) == PathKind::Link) return "cannot export to " + shown + ": it is a link to nothing";
  } else {
    if (!S_ISREG(info.st_mode)) return "cannot export to " + shown + ": it is not a regular file";
    for (const QString& file : logs)
      for (const char* suffix : {"", "-wal", "-shm"}) {
        struct stat other {};
        if (::stat((QFile::encodeName(file) + suffix).constData(), &other) == 0 && other.st_dev == info.st_dev &&
            other.st_ino == info.st_ino)
          return "cannot export to " + shown + ": it is the strike log itself";
      }
  }
  if (pathKind(target) == PathKind::Link) return "cannot export to " + shown + ": it is a symbolic link";
  if (isLogName(target, log)) return "cannot export to " + shown + ": the strike log keeps a file of that name";
  return {};
}

}  // namespace

namespace {

// What an export of a damaged log says, here and to the user.
std::string damagedExport(long rows) {
  const std::string problem = "the strike log is damaged: " + std::to_string(rows) +
                              " strikes could be read and were exported, the rest could not";
  qCWarning(lcStorm, "%s", problem.c_str());
  return problem;
}

}  // namespace

bool SqliteStrikeStore::readRows(StrikeLogConnection& c, bool oldestFirst, double after,
                                 const std::function<bool(const Strike&)>& take) {
  // A step that fails (a damaged page) ends the rows: those before it were taken.
  return c.transaction(
      "read the strike log",
      [&](QSqlQuery& q) {
        q.prepare(QStringLiteral("SELECT %1 FROM strikes WHERE %2 AND time > ? ORDER BY time %3, id %3")
                      .arg(strikeRowColumns(), strikeRowCondition(clock_->now()), oldestFirst ? "ASC" : "DESC"));
        q.addBindValue(after);
        if (!q.exec()) return false;
        while (q.next())
          if (!take(strikeFromRow(q))) return true;
        return !q.lastError().isValid();
      },
      false, false);
}

void SqliteStrikeStore::writeCSV(const QByteArray& target, std::function<void(std::string)> done) {
  submit([this, target, done = std::move(done)](StrikeLogConnection& c) {
    if (std::string refused = refusal(target, path_, logFiles()); !refused.empty()) {
      qCWarning(lcStorm, "%s", refused.c_str());
      return done(refused);
    }
    WholeFile file(target);
    auto cannotWrite = [&] {
      const std::string problem = "cannot write " + QFile::decodeName(target).toStdString() + " (" + file.error() + ")";
      qCWarning(lcStorm, "%s", problem.c_str());
      file.cancel();
      return done(problem);
    };
    if (!file.open()) return cannotWrite();
    std::vector<Strike> pending, tail;
    {
      std::lock_guard lock(mutex_);
      pending = pendingNewestFirst();
    }
    StrikeCsv csv;
    bool writeFailed = !file.write(StrikeCsv::header());
    long rows = 0;
    double last = std::numeric_limits<double>::lowest();
    // Oldest first: the pending strikes (the newest, as a rule) go in where their time says.
    auto next = pending.rbegin();
    auto write = [&](const Strike& s) { writeFailed = writeFailed || !file.write(csv.line(s)); };
    auto put = [&](const Strike& s) {
      for (; next != pending.rend() && next->time < s.time; ++next) write(*next);
      write(s);
    };
    const bool read = readRows(c, true, last, [&](const Strike& s) {
      put(s);
      ++rows;
      last = s.time;
      return !writeFailed;
    });
    if (!read && c.fault() == LogFault::Damaged) {
      // The rows past a damaged page, read from the other end up to it.
      readRows(c, false, last, [&](const Strike& s) {
        tail.push_back(s);
        return true;
      });
      for (auto s = tail.rbegin(); s != tail.rend(); ++s) put(*s);
    } else if (!read && place_.noFile) {
      // No file can be used: the strikes this run knows, the journal's among them, are the log.
      std::lock_guard lock(mutex_);
      pending.clear();
      next = pending.rbegin();
      for (const Strike& s : *hour_) put(s);
    } else if (!read) {
      file.cancel();
      return done("cannot read the strike log, so nothing was exported");
    }
    for (; next != pending.rend(); ++next) write(*next);
    if (writeFailed || !file.commit()) return cannotWrite();
    if (read || place_.noFile) return done({});
    done(damagedExport(rows + static_cast<long>(tail.size())));
  });
}

}  // namespace storm::qt
