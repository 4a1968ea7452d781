#include "storm/qt/StrikeLogConnection.h"

#include <sys/stat.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVariant>
#include <atomic>
#include <cmath>
#include <optional>

#include "system/qt/QtLogger.h"

namespace storm::qt {

const std::vector<std::vector<const char*>>& strikeLogMigrations() {
  static const std::vector<std::vector<const char*>> steps = {
      // 0 -> 1: a new file.
      {"CREATE TABLE strikes (id INTEGER PRIMARY KEY, time REAL NOT NULL, delay REAL NOT NULL, km REAL NOT NULL, "
       "speed REAL NOT NULL, latitude REAL, longitude REAL, accuracy REAL NOT NULL DEFAULT 0)",
       "CREATE INDEX strikes_by_time ON strikes (time)"},
      // 1 -> 2: where each strike's position came from (NULL: not recorded).
      {"ALTER TABLE strikes ADD COLUMN source TEXT"},
      // 2 -> 3: the direction of the flash (NULL: none given), how it was given, and the point it
      // places the strike at (NULL: measured nowhere).
      {"ALTER TABLE strikes ADD COLUMN bearing_deg REAL", "ALTER TABLE strikes ADD COLUMN bearing_source TEXT",
       "ALTER TABLE strikes ADD COLUMN strike_lat REAL", "ALTER TABLE strikes ADD COLUMN strike_lon REAL"},
  };
  return steps;
}

QString strikeLogColumns(int version) {
  QString columns = "id,time,delay,km,speed,latitude,longitude,accuracy";
  if (version >= 2) columns += ",source";
  if (version >= 3) columns += ",bearing_deg,bearing_source,strike_lat,strike_lon";
  return columns;
}

namespace {

// What a failure of SQLite's means for the log, from its primary result code.
LogFault faultOf(const QSqlError& error) {
  const QString code = error.nativeErrorCode();
  if (code == "11" || code == "26") return LogFault::Damaged;  // SQLITE_CORRUPT, SQLITE_NOTADB
  // SQLITE_READONLY, SQLITE_CANTOPEN, SQLITE_AUTH: this file will not be written, however long we wait.
  if (code == "8" || code == "14" || code == "23") return LogFault::Unusable;
  // Locked (SQLITE_BUSY, SQLITE_LOCKED), a full disk (SQLITE_FULL, or SQLITE_IOERR of a write) and
  // the rest: worth trying again.
  return LogFault::Busy;
}

QSqlError problem(const QString& text) { return QSqlError(text, {}, QSqlError::UnknownError); }

// Why SQLite may not open `path`, or nothing: a symbolic link (SQLite would write the file it
// names; Qt's driver passes no SQLITE_OPEN_NOFOLLOW, so it is looked at first), a folder, a FIFO,
// a device.
QString notRegular(const QString& path) {
  struct stat info {};
  if (::lstat(QFile::encodeName(path).constData(), &info) != 0) return {};
  if (S_ISLNK(info.st_mode)) return path + " is a symbolic link";
  return S_ISREG(info.st_mode) ? QString() : path + " is not a regular file";
}

std::atomic<int> connectionCount{0};

}  // namespace

QString StrikeLogConnection::ownLogPath(const QString& usual) {
  const QFileInfo info(usual);
  return info.absolutePath() + "/" + info.completeBaseName() + "-v" + QString::number(kSchemaVersion) + "." +
         info.suffix();
}

bool StrikeLogConnection::transaction(const char* what, const std::function<bool(QSqlQuery&)>& work, bool writes,
                                      bool again) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    fault_ = LogFault::None;
    QSqlError error;
    if (open(error)) {
      QSqlQuery q(db_);
      // Rows are read once, in order: Qt keeps no copy of every row read for going back.
      q.setForwardOnly(true);
      if (!q.exec(writes ? "BEGIN IMMEDIATE" : "BEGIN")) {
        error = q.lastError();
      } else if (!work(q) || !q.exec("COMMIT")) {
        error = q.lastError();
        q.finish();
        q.exec("ROLLBACK");
      } else {
        place_.reported = false;
        return true;
      }
    }
    const bool opened = db_.isOpen();
    if (fault_ == LogFault::None) fault_ = faultOf(error);
    // The query is gone here, so the connection may be closed.
    if (attempt == 0 && again && fault_ == LogFault::Damaged && repair(error)) continue;
    // A file that opened but will not take a write (a read-only file system) is one we cannot use.
    if (attempt == 0 && opened && fault_ == LogFault::Unusable && !place_.noFile) {
      close();
      moveOn(error);
      continue;
    }
    return failed(what, error);
  }
  return false;
}

bool StrikeLogConnection::open(QSqlError& error) {
  if (db_.isOpen()) return true;
  for (;;) {
    if (place_.noFile) {
      fault_ = LogFault::Unusable;
      error = problem("no file can be used for it in this run");
      return false;
    }
    if (openFile(error)) return true;
    if (fault_ != LogFault::Unusable) return false;
    moveOn(error);
  }
}

void StrikeLogConnection::moveOn(const QSqlError& error) {
  const QString why = error.text();
  if (place_.path == place_.usual) {
    // Another program's file, or a later version's: it stays as it is.
    place_.path = ownLogPath(place_.usual);
    place_.reported = false;
    qCInfo(lcLog).noquote() << QStringLiteral(
                                   "The strike log %1 cannot be used by this version (%2); its strikes are "
                                   "kept in %3")
                                   .arg(place_.usual, why, place_.path);
    place_.notices.push_back(kOwnLogNotice);
    return;
  }
  place_.noFile = true;
  place_.reported = true;
  qCInfo(lcLog).noquote()
      << QStringLiteral("No strike log can be written (%1: %2); this run's strikes are kept only until it ends")
             .arg(place_.path, why);
  place_.notices.push_back(kNoFileNotice);
}

bool StrikeLogConnection::openFile(QSqlError& error) {
  fault_ = LogFault::None;
  const QString& path = place_.path;
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
    fault_ = LogFault::Unusable;
    error = problem("cannot make its folder");
    return false;
  }
  // SQLite would open a FIFO and wait on it, take a folder for a missing write-ahead log, or write
  // through a link.
  for (const QString& file : {path, path + "-wal", path + "-shm", path + "-journal"}) {
    if (const QString why = notRegular(file); !why.isEmpty()) {
      fault_ = LogFault::Unusable;
      error = problem(why);
      return false;
    }
  }
  name_ = QStringLiteral("storm-strikes-%1").arg(connectionCount.fetch_add(1));
  db_ = QSqlDatabase::addDatabase("QSQLITE", name_);
  db_.setDatabaseName(path);
  // A short wait for a lock: a locked log is tried again later, never waited on for long.
  db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyMilliseconds));
  if (!db_.open()) {
    error = db_.lastError();
    fault_ = faultOf(error);
    close();
    return false;
  }
  if (!upToDate(error) || !looksWhole(error)) {
    if (fault_ == LogFault::None) fault_ = faultOf(error);
    close();
    return false;
  }
  return true;
}

bool StrikeLogConnection::looksWhole(QSqlError& error) {
  // The header's count of pages, when it is current (its change counter matches the one it was
  // written with), against the file's size: a file cut short, or with something else written
  // past its pages, disagrees.
  QFile file(place_.path);
  const qint64 size = file.size();
  bool disagrees = false;
  if (file.open(QIODevice::ReadOnly)) {
    const QByteArray header = file.read(100);
    auto word = [&header](int at) {
      quint32 value = 0;
      for (int i = 0; i < 4; ++i) value = (value << 8) | static_cast<unsigned char>(header[at + i]);
      return value;
    };
    if (header.size() == 100) {
      const quint32 pageSize = (static_cast<unsigned char>(header[16]) << 8) | static_cast<unsigned char>(header[17]);
      const qint64 bytes = static_cast<qint64>(word(28)) * (pageSize == 1 ? 65536 : pageSize);
      disagrees = word(24) == word(92) && word(28) > 0 && bytes != size;
    }
  }
  // SQLite's quick check reads every page: at the run's first open only where that is quick, or
  // where the header disagrees. A long log's damaged page is found by the read that meets it.
  if ((size > kCheckedAtOpenBytes || place_.checked == place_.path) && !disagrees) return true;
  QSqlQuery q(db_);
  q.setForwardOnly(true);
  if (!q.exec("PRAGMA quick_check(1)") || !q.next()) {
    error = q.lastError();
    return false;
  }
  if (const QString verdict = q.value(0).toString(); verdict != "ok") {
    fault_ = LogFault::Damaged;
    error = problem("it fails SQLite's check: " + verdict);
    return false;
  }
  place_.checked = place_.path;
  return true;
}

namespace {

// The file's schema version, or nothing when it cannot be read.
std::optional<int> schemaVersion(QSqlQuery& q) {
  if (!q.exec("PRAGMA user_version") || !q.next()) return std::nullopt;
  const int version = q.value(0).toInt();
  q.finish();
  return version;
}

// The strikes table's columns in their order, or nothing when they cannot be read.
std::optional<QString> strikeColumns(QSqlQuery& q) {
  if (!q.exec("SELECT group_concat(name) FROM (SELECT name FROM pragma_table_info('strikes') ORDER BY cid)") ||
      !q.next())
    return std::nullopt;
  const QString columns = q.value(0).toString();
  q.finish();
  return columns;
}

}  // namespace

bool StrikeLogConnection::unusable(const QString& why, QSqlError& error) {
  fault_ = LogFault::Unusable;
  error = problem(why);
  return false;
}

bool StrikeLogConnection::upToDate(QSqlError& error) {
  QSqlQuery q(db_);
  const int latest = static_cast<int>(strikeLogMigrations().size());
  // synchronous=FULL: a commit is on the disk, not only in the system's cache, before the strike
  // counts as saved.
  const std::optional<int> found = q.exec("PRAGMA synchronous=FULL") ? schemaVersion(q) : std::nullopt;
  if (!found) {
    error = q.lastError();
    return false;
  }
  if (*found < 0 || *found > latest)
    return unusable(
        QStringLiteral("its schema version %1 is not one of this program's 0 to %2").arg(*found).arg(latest), error);
  if (*found != latest && !migrate(error)) return false;
  const std::optional<QString> has = strikeColumns(q);
  if (!has) {
    error = q.lastError();
    return false;
  }
  if (*has != strikeLogColumns(latest)) return unusable("its strikes table is not this program's", error);
  return writeAhead(error);
}

bool StrikeLogConnection::migrate(QSqlError& error) {
  const int latest = static_cast<int>(strikeLogMigrations().size());
  QSqlQuery q(db_);
  auto rollback = [&] {
    error = q.lastError();
    q.finish();
    QSqlQuery(db_).exec("ROLLBACK");
    return false;
  };
  // Read again inside the write transaction: another copy may have brought it up to date meanwhile.
  if (!q.exec("BEGIN IMMEDIATE")) {
    error = q.lastError();
    return false;
  }
  const std::optional<int> found = schemaVersion(q);
  const std::optional<QString> has = found ? strikeColumns(q) : std::nullopt;
  if (!has) return rollback();
  if (*found < 0 || *found > latest) {
    rollback();
    return unusable(QStringLiteral("its schema version %1 is not one of this program's").arg(*found), error);
  }
  QSqlQuery tables(db_);
  const bool empty = tables.exec("SELECT count(*) FROM sqlite_master") && tables.next() && tables.value(0).toInt() == 0;
  tables.finish();
  // A file of version 0 is ours only while it is empty; later versions have our columns.
  if (*found == 0 ? !empty : *has != strikeLogColumns(*found)) {
    rollback();
    return unusable("its tables are not this program's", error);
  }
  for (int step = *found; step < latest; ++step)
    for (const char* statement : strikeLogMigrations()[static_cast<size_t>(step)])
      if (!q.exec(statement)) return rollback();
  if (!q.exec(QStringLiteral("PRAGMA user_version = %1").arg(latest)) || !q.exec("COMMIT")) return rollback();
  return true;
}

bool StrikeLogConnection::writeAhead(QSqlError& error) {
  // WAL: a commit appends to the log file, and a kill mid-write leaves the last whole commit.
  QSqlQuery q(db_);
  if (q.exec("PRAGMA journal_mode") && q.next() && q.value(0).toString() == "wal") return true;
  q.finish();
  if (!q.exec("PRAGMA journal_mode=WAL") || !q.next()) {
    error = q.lastError();
    return false;
  }
  if (q.value(0).toString() != "wal") return unusable("it cannot keep a write-ahead log", error);
  return true;
}

void StrikeLogConnection::close() {
  if (name_.isEmpty()) return;
  db_.close();
  db_ = QSqlDatabase();
  QSqlDatabase::removeDatabase(name_);
  name_.clear();
}

bool StrikeLogConnection::failed(const char* what, const QSqlError& error) {
  if (!place_.reported) {
    place_.reported = true;
    qCWarning(lcStorm, "cannot %s in %s (%s); the strikes not written yet are kept, and written when it can be", what,
              qPrintable(place_.path), qPrintable(error.text()));
  }
  return false;
}

}  // namespace storm::qt
