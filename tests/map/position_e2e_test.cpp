#include <gtest/gtest.h>
#include <QJsonArray>
#include <QTemporaryDir>

#include "support/Sandbox.h"
#include "support/AutomationClient.h"

namespace storm::e2e {
namespace {

// Escape while timing drops the measurement through the real key path and shows the result before
// it again; Escape when idle does nothing.
TEST(PositionE2E, EscapeCancelsTheRunningMeasurementAndRecordsNothing) {
  AutomationClient app({"--manual-clock", "1700000000"});
  ASSERT_TRUE(app.started());
  app.ok("location 48.8566 2.3522");
  app.ok("tap button");
  app.ok("advance 3");
  app.ok("tap button");
  app.ok("settle");
  const QJsonObject before = app.state();

  app.ok("tap button");
  app.ok("advance 2.5");
  app.ok("key Escape");
  app.ok("advance 1");
  QJsonObject state = app.state();
  EXPECT_EQ(state["button"].toString(), "SAW LIGHTNING");
  // The result the start replaced is back.
  EXPECT_EQ(state["time"].toString(), before["time"].toString());
  EXPECT_EQ(state["dist"].toString(), before["dist"].toString());
  EXPECT_EQ(state["phase"].toInt(), 0);
  EXPECT_EQ(state["map"].toObject()["overlays"], before["map"].toObject()["overlays"]);
  // The centre: the spans follow the map's height, which the banner may change meanwhile.
  const QJsonObject region = state["map"].toObject()["region"].toObject();
  EXPECT_EQ(region["lat"], before["map"].toObject()["region"].toObject()["lat"]);
  EXPECT_EQ(region["lon"], before["map"].toObject()["region"].toObject()["lon"]);
  app.ok("settle");
  EXPECT_EQ(app.send("strikes")["strikes"].toArray().size(), 1) << "only the measurement before";

  app.ok("key Escape");  // idle: nothing happens
  state = app.state();
  EXPECT_EQ(state["time"].toString(), before["time"].toString());
  EXPECT_EQ(state["screen"].toString(), "main");
  EXPECT_EQ(app.quit(), 0);
}

TEST(PositionE2E, WithoutAPositionTheMapSaysSoAndTheUserCanSetIt) {
  AutomationClient app({"--manual-clock", "1700000000"});
  ASSERT_TRUE(app.started());
  QJsonObject state = app.state();
  EXPECT_FALSE(state["storm"].toObject()["positionKnown"].toBool());
  EXPECT_TRUE(state["storm"].toObject()["position"].isNull());
  EXPECT_TRUE(state["mapView"].toObject()["notice"].toString().contains("I am here"));
  const QJsonObject region = state["map"].toObject()["region"].toObject();

  app.ok("tap button");
  app.ok("advance 3");
  app.ok("tap button");
  state = app.state();
  EXPECT_EQ(state["dist"].toString(), "0.63mi or 1.02km");
  EXPECT_TRUE(state["map"].toObject()["overlays"].toArray().isEmpty()) << "no circle at (0, 0)";
  // The map stays where it was (the banner that slides in meanwhile may shorten it: its centre counts).
  const QJsonObject after = state["map"].toObject()["region"].toObject();
  EXPECT_EQ(after["lat"], region["lat"]) << "the map stays where it was";
  EXPECT_EQ(after["lon"], region["lon"]) << "the map stays where it was";
  EXPECT_FALSE(state["mapView"].toObject()["notice"].isNull());

  for (const char* bad : {"pin 91 0", "pin 0 181", "pin nan 0", "pin inf 0", "pin 1"})
    EXPECT_TRUE(app.send(bad).contains("error")) << bad;
  app.ok("pin 47.3769 8.5417");
  state = app.state();
  EXPECT_TRUE(state["storm"].toObject()["positionKnown"].toBool());
  EXPECT_EQ(state["storm"].toObject()["position"].toObject()["lat"].toDouble(), 47.3769);
  EXPECT_EQ(state["map"].toObject()["userLocation"].toObject()["lon"].toDouble(), 8.5417);
  EXPECT_EQ(state["mapView"].toObject()["notice"].toString(), "Set by you");
  app.ok("location none");  // no fix from any source: the place set stays
  EXPECT_TRUE(app.state()["storm"].toObject()["positionKnown"].toBool());
  EXPECT_EQ(app.quit(), 0);
}

// Three launches on one machine: the place set, then a fix, is where the next launch opens.
TEST(PositionE2E, TheLastPositionIsKeptAndTheMapOpensAroundIt) {
  test::Sandbox home;
  const QProcessEnvironment env = home.environment();
  auto opensAt = [](AutomationClient& app, double lat, double lon) {
    const QJsonObject state = app.state();
    const QJsonObject region = state["map"].toObject()["region"].toObject();
    EXPECT_NEAR(region["lat"].toDouble(), lat, 1e-6);
    EXPECT_NEAR(region["lon"].toDouble(), lon, 1e-6);
    // About 40 km across, not the world.
    EXPECT_GT(region["lonSpan"].toDouble(), 0.2);
    EXPECT_LT(region["lonSpan"].toDouble(), 1.5);
    EXPECT_EQ(state["storm"].toObject()["position"].toObject()["lat"].toDouble(), lat);
    // Not a fix of this run: the map says where the position comes from, and how old it is.
    EXPECT_EQ(state["mapView"].toObject()["notice"].toString(), "Last known position, less than a minute ago");
  };
  {
    AutomationClient app({}, env);
    ASSERT_TRUE(app.started());
    app.ok("pin 47.3769 8.5417");
    EXPECT_EQ(app.quit(), 0);
  }
  {
    AutomationClient app({}, env);
    ASSERT_TRUE(app.started());
    opensAt(app, 47.3769, 8.5417);
    app.ok("location 46.2044 6.1432");  // a fix replaces the place set
    EXPECT_EQ(app.quit(), 0);
  }
  AutomationClient app({}, env);
  ASSERT_TRUE(app.started());
  opensAt(app, 46.2044, 6.1432);
  EXPECT_EQ(app.quit(), 0);
}

}  // namespace
}  // namespace storm::e2e
