#include <gtest/gtest.h>
#include <QJsonObject>
#include <QStringList>

#include "support/AutomationClient.h"

// The main screen from the keyboard: where the focus starts and goes back to, Tab's way through the
// screen, and the zoom keys beside the stopwatch's.

namespace storm::e2e {
namespace {

std::string focus(AutomationClient& app) { return app.state()["focus"].toString().toStdString(); }
double zoom(AutomationClient& app) { return app.state()["mapView"].toObject()["zoom"].toDouble(); }

TEST(KeyboardE2E, FocusTabOrderAndZoomKeysOnTheMainScreen) {
  AutomationClient app({"--manual-clock", "1700000000"});
  app.ok("settle");  // the window becomes active
  EXPECT_EQ(focus(app), "buttonP");
  // Round from the main button: the map, the map types (one stop, at the chosen type), the top
  // bar with Store last, and the button again; the banner, with no advertisement, is no stop, nor
  // is the re-centre control while no position is known.
  for (const std::string name : {"mapView", "segment0", "history", "info", "paid", "buttonP"}) {
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
}

}  // namespace
}  // namespace storm::e2e
