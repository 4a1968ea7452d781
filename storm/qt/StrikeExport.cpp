// The strike log written out as CSV: only to a regular file or a new one, never onto the log
// itself, through a temporary file in the target's folder that takes the target's name once whole.

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <cerrno>
#include <cstring>

#include "storm/qt/SqliteStrikeStore.h"
#include "storm/qt/StrikeCsv.h"
#include "storm/qt/StrikeRows.h"
#include "system/qt/QtLogger.h"

namespace storm::qt {

namespace {

// Why `target` may not be written over, or nothing. `logs` are the files of the log; one of them
// reached under another name (a link, a hard link) is still the log: files are told apart by
// device and inode.
std::string refusal(const QString& target, const std::vector<QString>& logs) {
  const QByteArray name = QFile::encodeName(target);
  const std::string shown = target.toStdString();
  struct stat info {};
  if (::stat(name.constData(), &info) != 0) {
    if (errno != ENOENT) return "cannot export to " + shown + " (" + std::strerror(errno) + ")";
    struct stat link {};
    if (::lstat(name.constData(), &link) == 0) return "cannot export to " + shown + ": it is a link to nothing";
    return {};  // a new file
  }
  if (!S_ISREG(info.st_mode)) return "cannot export to " + shown + ": it is not a regular file";
  for (const QString& log : logs)
    for (const char* suffix : {"", "-wal", "-shm"}) {
      struct stat other {};
      if (::stat(QFile::encodeName(log + suffix).constData(), &other) == 0 && other.st_dev == info.st_dev &&
          other.st_ino == info.st_ino)
        return "cannot export to " + shown + ": it is the strike log itself";
    }
  return {};
}

}  // namespace

void SqliteStrikeStore::writeCSV(const QString& target, std::function<void(std::string)> done) {
  submit([this, target, done = std::move(done)](StrikeLogConnection& c) {
    if (std::string refused = refusal(target, logFiles()); !refused.empty()) {
      qCWarning(lcStorm, "%s", refused.c_str());
      return done(refused);
    }
    // Through a link to a regular file, the file it names is replaced and the link stays.
    const QFileInfo info(target);
    QSaveFile file(info.isSymLink() ? info.canonicalFilePath() : target);
    auto cannotWrite = [&] {
      const std::string problem =
          "cannot write " + target.toStdString() + " (" + file.errorString().toStdString() + ")";
      qCWarning(lcStorm, "%s", problem.c_str());
      file.cancelWriting();
      return done(problem);
    };
    if (!file.open(QIODevice::WriteOnly)) return cannotWrite();
    std::vector<Strike> pending;
    {
      std::lock_guard lock(mutex_);
      pending = pendingNewestFirst();
    }
    StrikeCsv csv;
    bool writeFailed = file.write(StrikeCsv::header()) < 0;
    long rows = 0;
    auto put = [&](const Strike& s) {
      const std::string line = csv.line(s);
      writeFailed = writeFailed || file.write(line.data(), static_cast<qint64>(line.size())) < 0;
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
      file.cancelWriting();
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
