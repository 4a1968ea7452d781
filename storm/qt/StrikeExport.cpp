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
    std::vector<Strike> pending;
    {
      std::lock_guard lock(mutex_);
      pending = pendingNewestFirst();
    }
    StrikeCsv csv;
    bool writeFailed = !file.write(StrikeCsv::header());
    long rows = 0;
    auto put = [&](const Strike& s) {
      const std::string line = csv.line(s);
      writeFailed = writeFailed || !file.write(line);
    };
    const bool read = c.transaction(
        "read the strike log",
        [&](QSqlQuery& q) {
          if (!q.exec(QStringLiteral("SELECT %1 FROM strikes WHERE %2 ORDER BY time, id")
                          .arg(strikeRowColumns(), strikeRowCondition(clock_->now()))))
            return false;
          // Oldest first: the pending strikes (the newest, as a rule) go in where their time says.
          auto next = pending.rbegin();
          while (!writeFailed && q.next()) {
            const Strike s = strikeFromRow(q);
            for (; next != pending.rend() && next->time < s.time; ++next) put(*next);
            put(s);
            ++rows;
          }
          // A step that failed (a damaged page) ends the rows as if they were all.
          if (q.lastError().isValid()) return false;
          for (; !writeFailed && next != pending.rend(); ++next) put(*next);
          return true;
        },
        false, false);
    if (writeFailed) return cannotWrite();
    if (!read) {
      file.cancel();
      const std::string problem = c.fault() == LogFault::Damaged
                                      ? "the strike log is damaged: only its first " + std::to_string(rows) +
                                            " strikes could be read, so nothing was exported"
                                      : "cannot read the strike log, so nothing was exported";
      return done(problem);
    }
    if (!file.commit()) return cannotWrite();
    done({});
  });
}

}  // namespace storm::qt
