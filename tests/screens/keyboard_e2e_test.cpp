#include <gtest/gtest.h>
#include <QJsonObject>
#include <QStringList>
#include <cmath>

#include "support/AutomationClient.h"

// The main screen from the keyboard: where the focus starts and goes back to, Tab's way through the
// screen, the zoom keys beside the stopwatch's, and a position typed into its dialog.

namespace storm::e2e {
namespace {

std::string focus(AutomationClient& app) { return app.state()["focus"].toString().toStdString(); }
double zoom(AutomationClient& app) { return app.state()["mapView"].toObject()["zoom"].toDouble(); }

TEST(KeyboardE2E, FocusTabOrderAndZoomKeysOnTheMainScreen) {
  AutomationClient app({"--manual-clock", "1700000000"});
  app.ok("settle");  // the window becomes active
  EXPECT_EQ(focus(app), "buttonP");
  // Round from the main button: the map, its night-look control, the map types (one stop, at the
  // chosen type), the top bar with Store last, and the button again; the banner, with no
  // advertisement, is no stop, nor is the re-centre control while no position is known.
  for (const std::string name : {"mapView", "nightControl", "segment0", "history", "info", "paid", "buttonP"}) {
    app.ok("key Tab");
    EXPECT_EQ(focus(app), name);
  }

  const double before = zoom(app);
  app.ok("key plus");
  EXPECT_EQ(zoom(app), before + 1);
  app.ok("key minus");
  app.ok("key minus");
  EXPECT_EQ(zoom(app), before - 1);
  // The stopwatch's keys still press the button once each.
  app.ok("key Space");
  EXPECT_EQ(app.state()["button"].toString(), "HEARD THUNDER");
  app.ok("key Escape");
  EXPECT_EQ(app.state()["button"].toString(), "SAW LIGHTNING");

  app.ok("tap info");
  app.ok("settle");
  EXPECT_NE(focus(app), "buttonP");
  app.ok("tap done");
  app.ok("settle");
  EXPECT_EQ(focus(app), "buttonP");

  // With a position known, the re-centre control is the stop after the map, and Return presses it.
  app.ok("location 48.8566 2.3522");
  app.ok("camera 0 0 3");
  app.ok("key Tab");
  app.ok("key Tab");
  EXPECT_EQ(focus(app), "centreOnUser");
  app.ok("key Return");
  const QJsonObject region = app.state()["map"].toObject()["region"].toObject();
  EXPECT_NEAR(region["lat"].toDouble(), 48.8566, 1e-6);
  EXPECT_NEAR(region["lon"].toDouble(), 2.3522, 1e-6);
  EXPECT_EQ(app.state()["phase"].toInt(), 0) << "Return pressed the focused control, not the stopwatch";

  // Ctrl+L asks for coordinates: an entry that is no position keeps the dialog open, one that is
  // sets the position as "I am here" does and shows the kilometre around it.
  app.ok("key Ctrl+L");
  EXPECT_EQ(focus(app), "positionField");
  for (const char* key : {"9", "9", "Space", "1", "Return"}) app.ok(QString("key ") + key);
  EXPECT_TRUE(app.state()["alert"].toObject()["visible"].toBool()) << "99 is no latitude";
  for (const char* key : {"5", "2", "Space", "1", "3", "Return"}) app.ok(QString("key ") + key);
  const QJsonObject state = app.state();
  EXPECT_TRUE(state["alert"].isNull() || !state["alert"].toObject()["visible"].toBool());
  EXPECT_EQ(state["map"].toObject()["userLocation"].toObject()["lat"].toDouble(), 52);
  const QJsonObject around = state["map"].toObject()["region"].toObject();
  const double metresAcross = around["lonSpan"].toDouble() * 111320 * std::cos(52 * M_PI / 180);
  EXPECT_NEAR(metresAcross, 1000, 250);
  EXPECT_EQ(focus(app), "centreOnUser") << "the focus is back where it was";
}

}  // namespace
}  // namespace storm::e2e
