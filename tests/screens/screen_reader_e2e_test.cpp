#include <gtest/gtest.h>
#include <QJsonObject>

#include "support/AccessibilityBus.h"
#include "support/AutomationClient.h"
#include "support/XvfbServer.h"

// The app on a real X server and the desktop's accessibility bus, heard through the client library
// a screen reader uses: the distance is spoken once after a stop, the call to shelter and the
// question for the flash's direction as alerts, the running time stays quiet, a covered screen is
// hidden, and the controls have the roles a reader names them by.

namespace storm::e2e {
namespace {

TEST(ScreenReader, HearsTheDistanceOnceTheShelterAlertAndNoTickingTime) {
  if (!test::XvfbServer::installed()) GTEST_SKIP() << "Xvfb is not installed";
  if (const QString why = test::AccessibilityBus::unavailable(); !why.isEmpty()) GTEST_SKIP() << why.toStdString();
  test::XvfbServer x;
  ASSERT_TRUE(x.start());
  test::AccessibilityBus bus;
  ASSERT_TRUE(bus.start());
  AutomationClient app({"--manual-clock", "1700000000", "--location", "45,7"}, bus.environment(x.environment()),
                       "xcb");
  ASSERT_TRUE(app.started());
  ASSERT_TRUE(x.focusWindow("Storm Distance"));
  app.ok("settle");
  const size_t before = bus.events().size();

  app.ok("tap button");
  app.ok("advance 3");  // some 3,000 ticks of the stopwatch
  app.ok("tap button");
  auto alert = [](const QString& text) {
    return [text](const QJsonObject& e) {
      return e["type"] == "object:state-changed:showing" && e["detail1"] == 1 && e["role"] == "alert" &&
             e["name"].toString().startsWith(text);
    };
  };
  ASSERT_TRUE(bus.waitFor(alert("1.02 kilometres, 0.63 miles"), 10000, before));
  ASSERT_TRUE(bus.waitFor(alert("Take shelter now"), 10000, before));
  // The question for the flash's direction is heard, and its field is there to type into.
  ASSERT_TRUE(bus.waitFor(alert("Where was the flash?"), 10000, before));
  EXPECT_EQ(bus.find("Direction of the flash in degrees")["role"].toString(), "text");
  int distance = 0, timeNames = 0;
  for (size_t i = before; i < bus.events().size(); ++i) {
    const QJsonObject& e = bus.events()[i];
    distance += alert("1.02 kilometres")(e);
    timeNames += e["type"] == "object:property-change:accessible-name" && e["role"] == "label" &&
                 (e["name"] == "Timing" || e["name"].toString().contains('.'));
  }
  EXPECT_EQ(distance, 1) << "spoken once";
  EXPECT_LE(timeNames, 4) << "the time label renamed itself with the ticks";

  // Roles a reader names: the map types are radio buttons in the "Map type" group.
  const QJsonObject satellite = bus.find("Satellite");
  EXPECT_EQ(satellite["role"].toString(), "radio button");
  EXPECT_EQ(satellite["parentName"].toString(), "Map type") << satellite["parentRole"].toString().toStdString();
  EXPECT_TRUE(bus.find("Standard")["checked"].toBool());

  // Under the history screen the main screen is not on show for a reader.
  EXPECT_TRUE(bus.find("SAW LIGHTNING")["showing"].toBool());
  auto mainButtonShowing = [](int showing) {
    return [showing](const QJsonObject& e) {
      return e["type"] == "object:state-changed:showing" && e["name"] == "SAW LIGHTNING" && e["detail1"] == showing;
    };
  };
  size_t from = bus.events().size();
  app.ok("tap history");
  app.ok("settle");
  ASSERT_TRUE(bus.waitFor(mainButtonShowing(0), 10000, from));
  EXPECT_FALSE(bus.find("SAW LIGHTNING")["showing"].toBool());
  from = bus.events().size();
  app.ok("key Escape");
  app.ok("settle");
  EXPECT_EQ(app.state()["screen"].toString(), "main");
  ASSERT_TRUE(bus.waitFor(mainButtonShowing(1), 10000, from));
  EXPECT_TRUE(bus.find("SAW LIGHTNING")["showing"].toBool());
}

}  // namespace
}  // namespace storm::e2e
