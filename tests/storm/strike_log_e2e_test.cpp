#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "map/GeoMath.h"
#include "measure/Measurement.h"
#include "storm/SpeedOfSound.h"
#include "support/AutomationClient.h"
#include "support/Sandbox.h"

namespace storm::e2e {
namespace {

// Two runs of the app share these folders, as two launches on one machine do.
class StrikeLog : public ::testing::Test {
 protected:
  test::Sandbox home;
  QProcessEnvironment environment() const { return home.environment(); }
  QString logPath() const { return home.strikeLog(); }

  static void measure(AutomationClient& app, const QString& seconds) {
    app.ok("tap button");
    app.ok("advance " + seconds);
    app.ok("tap button");
  }
  static QJsonArray strikes(AutomationClient& app) { return app.send("strikes")["strikes"].toArray(); }
  // The history's Set direction… for its newest strike, with `keys` typed into the dialog.
  static void direction(AutomationClient& app, const QStringList& keys) {
    app.ok("key Home");
    app.ok("tap direction");
    for (const QString& key : keys) app.ok("key " + key);
  }
};

constexpr double kEpoch = 1700000000;

TEST_F(StrikeLog, KeepsEveryMeasurementAcrossARestart) {
  const float warmKm = distanceForSeconds(10.5f, *speedOfSoundAt(20)).kilometres;
  {
    AutomationClient app({"--manual-clock", "1700000000"}, environment());
    ASSERT_TRUE(app.started());
    app.ok("location 48.8566 2.3522");
    measure(app, "3");
    app.ok("advance 60");
    EXPECT_TRUE(app.send("temperature 50.5").contains("error"));
    EXPECT_TRUE(app.send("temperature warm").contains("error"));
    app.ok("temperature 20");
    measure(app, "10.5");
    // The screen shows the distance at the set temperature.
    EXPECT_EQ(app.state()["dist"].toString().toStdString(),
              distanceText(distanceForSeconds(10.5f, *speedOfSoundAt(20))));
    app.ok("temperature standard");
    app.ok("location none");
    measure(app, "1");
    EXPECT_EQ(app.quit(), 0);
  }
  AutomationClient app({"--manual-clock", "1700000080"}, environment());
  ASSERT_TRUE(app.started());
  const QJsonArray list = strikes(app);
  ASSERT_EQ(list.size(), 3);
  const QJsonObject newest = list[0].toObject(), warm = list[1].toObject(), first = list[2].toObject();
  EXPECT_EQ(newest["time"].toDouble(), kEpoch + 73.5);
  EXPECT_EQ(newest["delay"].toDouble(), 1.0);
  EXPECT_EQ(newest["speed"].toDouble(), kSpeedOfSoundKmPerSecond);
  EXPECT_TRUE(newest["lat"].isNull());
  EXPECT_TRUE(newest["lon"].isNull());
  EXPECT_EQ(warm["time"].toDouble(), kEpoch + 63);
  EXPECT_EQ(static_cast<float>(warm["km"].toDouble()), warmKm);
  EXPECT_DOUBLE_EQ(warm["speed"].toDouble(), *speedOfSoundAt(20));
  EXPECT_EQ(warm["lat"].toDouble(), 48.8566);
  EXPECT_EQ(warm["lon"].toDouble(), 2.3522);
  EXPECT_EQ(first["time"].toDouble(), kEpoch);
  EXPECT_EQ(first["delay"].toDouble(), 3.0);
  EXPECT_EQ(static_cast<float>(first["km"].toDouble()), distanceForSeconds(3.0f).kilometres);

  // The restarted app reads the last hour back: three close strikes, the last heard at +74.5 s.
  app.ok("settle");
  const QJsonObject storm = app.state()["storm"].toObject();
  EXPECT_TRUE(storm["shelter"].toBool());
  EXPECT_DOUBLE_EQ(storm["allClearIn"].toDouble(), 74.5 + 1800 - 80);
  EXPECT_TRUE(storm["trend"].isNull()) << "three strikes within two minutes say nothing of motion";
  app.ok("advance 1794.5");
  EXPECT_FALSE(app.state()["storm"].toObject()["shelter"].toBool());
  EXPECT_TRUE(app.state()["storm"].toObject()["allClearIn"].isNull());

  const QString csv = home.path() + "/log.csv";
  app.ok("strikes export " + csv);
  QFile file(csv);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[0],
            "time,utc,delay_s,distance_km,speed_km_s,latitude,longitude,accuracy_m,distance_mi,storm,position_source,"
            "bearing_deg,bearing_source,strike_lat,strike_lon");
  // Times to the millisecond, distances to the metre, degrees to six decimals; the three strikes
  // are one storm, measured from a position given outright.
  EXPECT_EQ(
      lines[1],
      "1700000000.000,\"2023-11-14T22:13:20.000Z\",3.000,1.021,0.340290,48.856600,2.352200,,0.634,1,\"fixed\",,,,");
  app.ok("strikes clear");
  EXPECT_EQ(strikes(app).size(), 0);
  EXPECT_EQ(app.quit(), 0);
}

TEST_F(StrikeLog, AKillInABurstLosesNoReportedStrike) {
  int reported = 0;
  QJsonArray before;
  {
    AutomationClient app({"--manual-clock", "1700000000"}, environment());
    ASSERT_TRUE(app.started());
    app.ok("location 48.8566 2.3522");
    for (int i = 1; i <= 30; ++i) {
      measure(app, "0.5");
      if (i % 10 == 0) {
        before = strikes(app);
        reported = i;
      } else if (i % 5 == 0) {
        app.ok("settle");
        reported = i;
      }
    }
    // A burst the app is still working through when it is killed.
    for (int i = 0; i < 40; ++i) {
      app.post("tap button");
      app.post("advance 0.25");
    }
    app.kill();
  }
  ASSERT_EQ(before.size(), 30);
  AutomationClient app({"--manual-clock", "1700000000"}, environment());
  ASSERT_TRUE(app.started());
  const QJsonArray after = strikes(app);
  ASSERT_GE(after.size(), reported);
  ASSERT_LE(after.size(), reported + 20);
  // The reported ones are there, whole, as they were.
  for (int i = 0; i < before.size(); ++i)
    EXPECT_EQ(after[after.size() - before.size() + i].toObject(), before[i].toObject()) << i;
  EXPECT_FALSE(app.stderrText().contains("damaged"));
}

TEST_F(StrikeLog, ADamagedFileIsMovedAsideAndAFreshLogStarts) {
  QDir().mkpath(home.path() + "/data/storm-distance");
  QFile damaged(logPath());
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  damaged.write(QByteArray(8192, '\x5a'));
  damaged.close();

  AutomationClient app({"--manual-clock", "1700000000"}, environment());
  ASSERT_TRUE(app.started());
  measure(app, "2");
  EXPECT_EQ(app.state()["dist"].toString(), "0.42mi or 0.68km");
  EXPECT_EQ(strikes(app).size(), 1);
  const QStringList aside = QDir(home.path() + "/data/storm-distance").entryList({"strikes.sqlite.damaged-*"});
  ASSERT_EQ(aside.size(), 1);
  // Stamped when the damage was found: at the start, or during the two seconds of the measurement
  // on a slow machine.
  EXPECT_TRUE(QRegularExpression("^strikes\\.sqlite\\.damaged-20231114T22132[0-2]Z$").match(aside[0]).hasMatch())
      << aside[0].toStdString();
  QFile kept(home.path() + "/data/storm-distance/" + aside[0]);
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), QByteArray(8192, '\x5a'));
  EXPECT_EQ(app.quit(), 0);
  EXPECT_EQ(app.stderrText().count("strike log"), 1);
}

// A log of the first schema, which kept no position sources, is brought up to date: its strikes
// stay as they were, with no source, and new ones record theirs.
TEST_F(StrikeLog, AnOlderLogIsMigratedAndKeepsItsStrikes) {
  QDir().mkpath(home.path() + "/data/storm-distance");
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "first-schema");
    db.setDatabaseName(logPath());
    ASSERT_TRUE(db.open());
    QSqlQuery q(db);
    for (const char* sql :
         {"CREATE TABLE strikes (id INTEGER PRIMARY KEY, time REAL NOT NULL, delay REAL NOT NULL, km REAL NOT NULL, "
          "speed REAL NOT NULL, latitude REAL, longitude REAL, accuracy REAL NOT NULL DEFAULT 0)",
          "CREATE INDEX strikes_by_time ON strikes (time)",
          "INSERT INTO strikes (time, delay, km, speed, latitude, longitude, accuracy) "
          "VALUES (1699999000, 6, 2.04174, 0.34029, 48.8566, 2.3522, 12)",
          "PRAGMA user_version = 1"})
      ASSERT_TRUE(q.exec(sql)) << q.lastError().text().toStdString();
    db.close();
  }
  QSqlDatabase::removeDatabase("first-schema");

  AutomationClient app({"--manual-clock", "1700000000"}, environment());
  ASSERT_TRUE(app.started());
  app.ok("location 48.8566 2.3522");
  measure(app, "3");
  app.ok("settle");
  const QJsonArray log = strikes(app);
  ASSERT_EQ(log.size(), 2);
  EXPECT_EQ(log[0].toObject()["source"].toString(), "fixed");
  EXPECT_EQ(log[1].toObject()["time"].toDouble(), 1699999000);
  EXPECT_EQ(log[1].toObject()["accuracy"].toDouble(), 12);
  EXPECT_TRUE(log[1].toObject()["source"].isNull());
  EXPECT_EQ(app.quit(), 0);
}

// A log of the second schema gains the direction's columns and keeps its strikes; a direction typed
// in the history afterwards is in the log at the next start, in the strikes reply and the export.
TEST_F(StrikeLog, ASecondSchemaLogTakesDirectionsThatOutlastARestart) {
  QDir().mkpath(home.path() + "/data/storm-distance");
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "second-schema");
    db.setDatabaseName(logPath());
    ASSERT_TRUE(db.open());
    QSqlQuery q(db);
    for (const char* sql :
         {"CREATE TABLE strikes (id INTEGER PRIMARY KEY, time REAL NOT NULL, delay REAL NOT NULL, km REAL NOT NULL, "
          "speed REAL NOT NULL, latitude REAL, longitude REAL, accuracy REAL NOT NULL DEFAULT 0, source TEXT)",
          "CREATE INDEX strikes_by_time ON strikes (time)",
          "INSERT INTO strikes (time, delay, km, speed, latitude, longitude, accuracy, source) "
          "VALUES (1699999000, 6, 2.04174, 0.34029, 48.8566, 2.3522, 12, 'fixed')",
          "INSERT INTO strikes (time, delay, km, speed, latitude, longitude, accuracy, source) "
          "VALUES (1699999500, 3, 1.02087, 0.34029, 48.8566, 2.3522, 12, 'fixed')",
          "PRAGMA user_version = 2"})
      ASSERT_TRUE(q.exec(sql)) << q.lastError().text().toStdString();
    db.close();
  }
  QSqlDatabase::removeDatabase("second-schema");
  const GeoPoint placed = geo::destination({48.8566, 2.3522}, 45, 1020.87);
  {
    AutomationClient app({"--manual-clock", "1700000000"}, environment());
    ASSERT_TRUE(app.started());
    QJsonArray log = strikes(app);
    ASSERT_EQ(log.size(), 2);
    for (const QJsonValue& strike : log)
      for (const char* member : {"bearing", "strikeLat", "strikeLon"})
        EXPECT_TRUE(strike.toObject()[member].isNull()) << member;
    app.ok("tap history");
    app.ok("settle");
    direction(app, {"4", "0", "0", "Return"});
    EXPECT_TRUE(app.state()["alert"].toObject()["visible"].toBool()) << "400 is no direction: the dialog stays";
    for (const char* key : {"4", "5", "Return"}) app.ok(QString("key ") + key);
    app.ok("settle");
    EXPECT_FALSE(app.state()["alert"].toObject()["visible"].toBool());
    EXPECT_EQ(app.state()["history"].toObject()["result"].toString(), "Direction saved");
    EXPECT_EQ(app.quit(), 0);
  }
  AutomationClient app({"--manual-clock", "1700000010"}, environment());
  ASSERT_TRUE(app.started());
  QJsonArray log = strikes(app);
  ASSERT_EQ(log.size(), 2);
  const QJsonObject newest = log[0].toObject();
  EXPECT_EQ(newest["bearing"].toDouble(), 45);
  EXPECT_DOUBLE_EQ(newest["strikeLat"].toDouble(), placed.latitude);
  EXPECT_DOUBLE_EQ(newest["strikeLon"].toDouble(), placed.longitude);
  EXPECT_TRUE(log[1].toObject()["bearing"].isNull());
  EXPECT_EQ(log[1].toObject()["accuracy"].toDouble(), 12) << "the older columns as they were";

  const QString csv = home.path() + "/directions.csv";
  app.ok("strikes export " + csv);
  QFile file(csv);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
  ASSERT_EQ(lines.size(), 3);
  EXPECT_TRUE(lines[1].endsWith(",12,1.269,1,\"fixed\",,,,")) << lines[1].data();
  // The direction to six decimals, as the point it gives.
  EXPECT_TRUE(lines[2].endsWith(QStringLiteral(",\"fixed\",45.000000,\"typed\",%1,%2")
                                    .arg(placed.latitude, 0, 'f', 6)
                                    .arg(placed.longitude, 0, 'f', 6)
                                    .toUtf8()))
      << lines[2].data();

  // Taken away again: the dialog offers it for a strike with a direction.
  app.ok("tap history");
  app.ok("settle");
  direction(app, {});
  EXPECT_EQ(app.state()["alert"].toObject()["buttons"].toArray(), (QJsonArray{"Cancel", "Set", "Remove direction"}));
  app.ok("tap alert 2");
  app.ok("settle");
  EXPECT_TRUE(strikes(app)[0].toObject()["bearing"].isNull());
  EXPECT_EQ(app.quit(), 0);
}

}  // namespace
}  // namespace storm::e2e
