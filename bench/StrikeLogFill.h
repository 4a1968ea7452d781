#pragma once

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <functional>
#include <memory>

#include "system/ManualClock.h"
#include "storm/Strike.h"
#include "storm/qt/SqliteStrikeStore.h"
#include "system/qt/WorkerPool.h"

// Writes a long strike log for a benchmark: the app's own store makes the file with its schema,
// then one transaction inserts `count` strikes, `strike(i)` giving the i-th (oldest first).

namespace storm::bench {

inline bool writeStrikeLog(const QString& path, int count, const std::function<Strike(int)>& strike) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  {
    auto pool = std::make_shared<qt::WorkerPool>();
    qt::SqliteStrikeStore store(path, pool, std::make_shared<ManualClock>(0));
    store.waitForIdle();
  }
  bool ok = false;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench-fill");
    db.setDatabaseName(path);
    if (db.open() && db.transaction()) {
      QSqlQuery q(db);
      q.prepare(
          "INSERT INTO strikes (time, delay, km, speed, latitude, longitude, accuracy) VALUES (?, ?, ?, ?, ?, ?, ?)");
      ok = true;
      const QVariant none(QMetaType::fromType<double>());
      for (int i = 0; i < count && ok; ++i) {
        const Strike s = strike(i);
        for (const QVariant& v :
             {QVariant(s.time), QVariant(s.delay), QVariant(s.km), QVariant(s.speed),
              s.position ? QVariant(s.position->latitude) : none, s.position ? QVariant(s.position->longitude) : none,
              QVariant(s.position ? s.position->accuracy : 0.0)})
          q.addBindValue(v);
        ok = q.exec();
      }
      ok = ok && db.commit();
    }
    db.close();
  }
  QSqlDatabase::removeDatabase("bench-fill");
  return ok;
}

}  // namespace storm::bench
