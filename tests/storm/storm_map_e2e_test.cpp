#include <gtest/gtest.h>
#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>
#include <QTemporaryDir>

#include "support/Sandbox.h"
#include "support/AutomationClient.h"
#include "support/WaitForState.h"

namespace storm::e2e {
namespace {

// The app's folders, and a session bus address where nothing listens: the all-clear is still kept,
// and nothing is said about the missing bus.
class StormMap : public ::testing::Test {
 protected:
  test::Sandbox home;
  QProcessEnvironment environment() const {
    QProcessEnvironment env = home.environment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home.path() + "/no-bus");
    return env;
  }
  static void measure(AutomationClient& app, const QString& seconds) {
    app.ok("tap button");
    app.ok("advance " + seconds);
    app.ok("tap button");
  }
  static QJsonObject stormMap(const QJsonObject& state) { return state["stormMap"].toObject(); }
  static QJsonObject panel(const QJsonObject& state) { return stormMap(state)["panel"].toObject(); }
  static QJsonArray rings(const QJsonObject& state) { return stormMap(state)["rings"].toArray(); }
};

TEST_F(StormMap, EarlierStrikesRingTheMapAndTheShelterCountdownEndsInOneAllClear) {
  AutomationClient app({"--manual-clock", "1700000000"}, environment());
  ASSERT_TRUE(app.started());
  measure(app, "45");  // no position yet: no ring, ever
  app.ok("advance 60");
  app.ok("pin 47.3769 8.5417");
  measure(app, "40");
  EXPECT_TRUE(rings(app.state()).isEmpty()) << "the strike on show has the circle, not a ring";
  app.ok("advance 60");
  app.ok("pin 47.39 8.56");
  measure(app, "35");
  app.ok("advance 60");
  measure(app, "33");

  QJsonObject state = app.state();
  const QJsonArray strikes = app.send("strikes")["strikes"].toArray();  // newest first
  const QJsonArray before = rings(state);
  ASSERT_EQ(before.size(), 2);
  for (int i = 0; i < 2; ++i) {
    const QJsonObject ring = before[i].toObject(), strike = strikes[i + 1].toObject();
    EXPECT_EQ(ring["lon"].toDouble(), strike["lon"].toDouble()) << i;
    EXPECT_EQ(static_cast<float>(ring["km"].toDouble()), static_cast<float>(strike["km"].toDouble())) << i;
    EXPECT_GT(ring["opacity"].toDouble(), 0.5) << i;
  }
  EXPECT_GT(before[0].toObject()["opacity"].toDouble(), before[1].toObject()["opacity"].toDouble());
  EXPECT_EQ(state["map"].toObject()["overlays"].toArray().size(), 1);
  // The person moved 2 km between the strikes: distances measured from two places are not compared.
  const QString trend = panel(state)["trend"].toString();
  EXPECT_FALSE(trend.startsWith("Approaching") || trend.startsWith("Moving away")) << trend.toStdString();
  EXPECT_TRUE(panel(state)["shelter"].isNull());

  app.ok("advance 60");
  measure(app, "5");
  state = app.state();
  EXPECT_EQ(panel(state)["shelter"].toString(), "Take shelter now");
  EXPECT_EQ(panel(state)["countdown"].toString(), "All clear in 30:00");
  EXPECT_EQ(rings(state).size(), 3);
  app.ok("advance 1799");
  state = app.state();
  EXPECT_EQ(panel(state)["countdown"].toString(), "All clear in 00:01");
  EXPECT_LT(rings(state)[1].toObject()["opacity"].toDouble(), before[0].toObject()["opacity"].toDouble() - 0.3)
      << "the rings fade as time passes";
  EXPECT_TRUE(state["storm"].toObject()["notified"].toArray().isEmpty());

  app.ok("advance 1");
  state = app.state();
  EXPECT_EQ(panel(state)["clear"].toString(), "All clear: no close thunder for 30 minutes");
  EXPECT_TRUE(panel(state)["countdown"].isNull());
  EXPECT_FALSE(state["storm"].toObject()["shelter"].toBool());
  EXPECT_EQ(state["storm"].toObject()["notified"].toArray(),
            QJsonArray{"All clear. No thunder within 10 km for the last 30 minutes."});

  app.ok("advance 3600");  // an hour on, every ring has gone; the all-clear stays until a strike
  state = app.state();
  EXPECT_TRUE(rings(state).isEmpty());
  EXPECT_FALSE(panel(state)["clear"].isNull());
  measure(app, "50");
  EXPECT_TRUE(panel(app.state())["clear"].isNull());
  EXPECT_EQ(app.state()["storm"].toObject()["notified"].toArray().size(), 1);
  EXPECT_EQ(app.quit(), 0);
  const QString errors = app.stderrText();
  EXPECT_FALSE(errors.contains("dbus", Qt::CaseInsensitive) || errors.contains("d-bus", Qt::CaseInsensitive))
      << errors.toStdString();
}

// The countdown goes on from the log after a restart, and ends in an all-clear there.
TEST_F(StormMap, ARestartKeepsTheCountdownOfTheLastCloseStrike) {
  {
    AutomationClient app({"--manual-clock", "1700000000"}, environment());
    ASSERT_TRUE(app.started());
    app.ok("pin 47.3769 8.5417");
    measure(app, "5");
    EXPECT_EQ(app.quit(), 0);
  }
  AutomationClient app({"--manual-clock", "1700001200"}, environment());
  ASSERT_TRUE(app.started());
  QJsonObject state = waitFor(app, [](const QJsonObject& s) { return !panel(s)["countdown"].isNull(); });
  EXPECT_EQ(panel(state)["countdown"].toString(), "All clear in 10:05");
  EXPECT_EQ(rings(state).size(), 1) << "no circle after a restart: the strike has a ring";
  app.ok("advance 605");
  state = app.state();
  EXPECT_FALSE(panel(state)["clear"].isNull());
  EXPECT_EQ(state["storm"].toObject()["notified"].toArray().size(), 1);
  EXPECT_EQ(app.quit(), 0);
}

}  // namespace
}  // namespace storm::e2e

namespace storm::e2e {
namespace {

// A storm moving east at 40 km/h whose centre passes 8 km north of the person a quarter hour after
// its last strike (the strikes every 2 minutes over the half hour before it); each is timed and
// pointed at as it happens.
TEST_F(StormMap, FlashesPointedAtPlaceTheStrikesAndShowWhereTheStormGoes) {
  AutomationClient app({"--manual-clock", "1700000000"}, environment());
  ASSERT_TRUE(app.started());
  EXPECT_FALSE(app.send("bearing 45")["error"].toString().isEmpty()) << "no strike yet";
  app.ok("pin 48.137 11.575");
  app.ok("settle");  // the window's first frame is on screen: the storm's layer is no longer held
  for (int minute = 0; minute <= 30; minute += 2) {
    const double east = 40.0 * (minute - 45) / 60, north = 8;
    const double delay = std::hypot(east, north) / 0.34029;
    measure(app, QString::number(delay, 'f', 3));
    const QJsonObject asked = app.state();
    EXPECT_TRUE(stormMap(asked)["asking"].toBool()) << minute << QJsonDocument(stormMap(asked)).toJson().toStdString();
    app.ok("bearing " + QString::number(std::fmod(std::atan2(east, north) * 180 / M_PI + 360, 360), 'f', 4));
    app.ok("advance " + QString::number((minute < 30 ? 120 : 180) - delay, 'f', 3));
  }
  for (const QString wrong : {"bearing 360", "bearing -1", "bearing north", "bearing"})
    EXPECT_FALSE(app.send(wrong)["error"].toString().isEmpty()) << wrong.toStdString();
  app.ok("settle");

  const QJsonObject s = app.state();
  EXPECT_FALSE(stormMap(s)["asking"].toBool()) << "answered";
  const QJsonObject track = s["storm"].toObject()["track"].toObject();
  EXPECT_EQ(track["direction"].toString(), "passing") << QJsonDocument(track).toJson().toStdString();
  EXPECT_NEAR(track["speedKmh"].toDouble(), 40, 2);
  EXPECT_NEAR(track["headingDeg"].toDouble(), 90, 3);
  EXPECT_NEAR(track["closestKm"].toDouble(), 8, 0.5);
  EXPECT_NEAR(track["closestInMinutes"].toDouble(), 12, 1);  // from now, 3 minutes after the last strike
  // The centre now: 8 km west and 8 km north (the last strike was 3 minutes before).
  EXPECT_NEAR(track["lat"].toDouble(), 48.137 + 8 / 111.2, 0.01);
  EXPECT_NEAR(track["lon"].toDouble(), 11.575 - 8 / 74.4, 0.02);

  const QJsonArray strikes = app.send("strikes")["strikes"].toArray();
  ASSERT_EQ(strikes.size(), 16);
  for (const auto& strike : strikes) EXPECT_TRUE(strike.toObject()["strikeLat"].isDouble());
  EXPECT_EQ(stormMap(s)["marks"].toArray().size(), 16);
  EXPECT_TRUE(stormMap(s)["arrow"].toObject()["closest"].isArray());
  EXPECT_TRUE(panel(s)["track"].toString().startsWith("Moving east at about")) << panel(s)["track"].toString().toStdString();
  EXPECT_TRUE(panel(s)["course"].toString().contains("north of you")) << panel(s)["course"].toString().toStdString();

  // The history's chart of the storm, fitted at its last strike: closest a quarter hour after it.
  app.ok("tap history");
  const QJsonObject chart = waitFor(app, [](const QJsonObject& s) {
    return s["history"].toObject()["chart"].toObject()["points"].toInt() == 16;  // the storm's chart is drawn
  })["history"].toObject()["chart"].toObject();
  EXPECT_NEAR(chart["closest"].toObject()["km"].toDouble(), 8, 0.5);
  EXPECT_NEAR(chart["closest"].toObject()["time"].toDouble(), strikes.at(0).toObject()["time"].toDouble() + 900, 60);
}

}  // namespace
}  // namespace storm::e2e
