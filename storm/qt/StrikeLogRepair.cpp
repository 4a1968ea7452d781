// The strike log's repair: a damaged file's rows copied to a fresh one, or the file moved aside.

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QVariant>
#include <cmath>

#include "storm/qt/StrikeLogConnection.h"
#include "system/qt/QtLogger.h"

namespace storm::qt {

namespace {

void removeWithCompanions(const QString& path) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) QFile::remove(path + suffix);
}

// A connection of its own for `path`, closed and removed with this object.
class ScratchConnection {
 public:
  ScratchConnection(const QString& name, const QString& path) : name_(name) {
    db_ = QSqlDatabase::addDatabase("QSQLITE", name_);
    db_.setDatabaseName(path);
    db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(StrikeLogConnection::kBusyMilliseconds));
    open_ = db_.open();
  }
  ~ScratchConnection() {
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
  }
  bool isOpen() const { return open_; }
  QSqlDatabase& db() { return db_; }

 private:
  QString name_;
  QSqlDatabase db_;
  bool open_ = false;
};

}  // namespace

bool StrikeLogConnection::repair(const QSqlError& why) {
  close();
  const QString path = place_.path;
  const QString fresh = path + ".rebuilt";
  long copied = 0;
  // A damaged index, or a damaged page of another table, leaves the strikes readable.
  const bool rebuilt = rebuild(fresh, copied);
  QString aside;
  if (!moveAside(path, aside)) {
    removeWithCompanions(fresh);
    qCWarning(lcStorm, "the strike log %s is damaged (%s) and cannot be moved aside", qPrintable(path),
              qPrintable(why.text()));
    place_.reported = true;
    return false;
  }
  place_.notices.push_back(kDamagedNotice);
  if (rebuilt && QFile::rename(fresh, path)) {
    qCWarning(lcStorm,
              "the strike log %s is damaged (%s); its %ld strikes read whole and were copied to a fresh log, the "
              "damaged file is kept as %s",
              qPrintable(path), qPrintable(why.text()), copied, qPrintable(aside));
    return true;
  }
  removeWithCompanions(fresh);
  qCWarning(lcStorm, "the strike log %s is damaged (%s); moved it to %s and started a fresh log", qPrintable(path),
            qPrintable(why.text()), qPrintable(aside));
  return true;
}

bool StrikeLogConnection::rebuild(const QString& fresh, long& copied) {
  removeWithCompanions(fresh);
  const auto& steps = strikeLogMigrations();
  {
    ScratchConnection target(name_ + "-rebuilt", fresh);
    if (!target.isOpen()) return false;
    QSqlQuery q(target.db());
    bool ok = q.exec("BEGIN");
    for (const auto& step : steps)
      for (const char* statement : step) ok = ok && q.exec(statement);
    ok = ok && q.exec(QStringLiteral("PRAGMA user_version = %1").arg(steps.size())) && q.exec("COMMIT");
    if (!ok) return false;
  }
  ScratchConnection damaged(name_ + "-damaged", place_.path);
  if (!damaged.isOpen()) return false;
  QSqlQuery q(damaged.db());
  if (!q.exec("PRAGMA user_version") || !q.next()) return false;
  const int version = q.value(0).toInt();
  q.finish();
  if (version < 1 || version > static_cast<int>(steps.size())) return false;
  // The table read in the order of its rows, past every index.
  const QString columns = strikeLogColumns(version);
  q.prepare("ATTACH DATABASE ? AS fresh");
  q.addBindValue(fresh);
  if (!q.exec()) return false;
  const bool ok =
      q.exec(QStringLiteral("INSERT INTO fresh.strikes (%1) SELECT %1 FROM main.strikes NOT INDEXED").arg(columns));
  copied = ok ? q.numRowsAffected() : 0;
  q.finish();
  q.exec("DETACH DATABASE fresh");
  return ok;
}

bool StrikeLogConnection::moveAside(const QString& path, QString& aside) {
  const double now = place_.clock ? place_.clock->now() : 0.0;
  const QString stamp = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::floor(now)) * 1000, Qt::UTC)
                            .toString("yyyyMMdd'T'HHmmss'Z'");
  aside = path + ".damaged-" + stamp;
  for (int n = 2; QFileInfo::exists(aside); ++n) aside = path + ".damaged-" + stamp + "-" + QString::number(n);
  if (!QFile::rename(path, aside)) return false;
  // Its write-ahead log belongs to it, not to the fresh file.
  for (const char* suffix : {"-wal", "-shm"})
    if (QFileInfo::exists(path + suffix)) QFile::rename(path + suffix, aside + suffix);
  return true;
}

}  // namespace storm::qt
