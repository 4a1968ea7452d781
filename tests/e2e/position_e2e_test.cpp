#include <gtest/gtest.h>
#include <QJsonArray>
#include <QTemporaryDir>

#include "AutomationClient.h"

namespace storm::e2e {
namespace {

// Escape while timing drops the measurement through the real key path; Escape when idle does
// nothing.
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
  EXPECT_EQ(state["time"].toString(), "0.000");
  EXPECT_EQ(state["dist"].toString(), "");
  EXPECT_EQ(state["phase"].toInt(), 0);
  EXPECT_EQ(state["map"].toObject()["overlays"], before["map"].toObject()["overlays"]);
  EXPECT_EQ(state["map"].toObject()["region"], before["map"].toObject()["region"]);
  app.ok("settle");
  EXPECT_EQ(app.send("strikes")["strikes"].toArray().size(), 1) << "only the measurement before";

  app.ok("key Escape");  // idle: nothing happens
  state = app.state();
  EXPECT_EQ(state["time"].toString(), "0.000");
  EXPECT_EQ(state["screen"].toString(), "main");
  EXPECT_EQ(app.quit(), 0);
}

}  // namespace
}  // namespace storm::e2e
