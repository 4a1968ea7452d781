#include <gtest/gtest.h>
#include <QJsonArray>
#include <QJsonObject>
#include <optional>

#include "support/AutomationClient.h"
#include "support/WaitForState.h"
#include "support/XvfbServer.h"

// The question for a flash's direction answered and closed with the X server's own keys: typed
// degrees with Return or the keypad's Enter are kept and start nothing; an arrow, Shift with two
// arrows and the keypad (with Num Lock off and on) give their points; and after every way the
// question closes (those, Escape, its time running out) Space starts the stopwatch again.

namespace storm::e2e {
namespace {

struct Way {
  const char* name;
  std::vector<QStringList> xdotool;  // the invocations, in order
  double advance = 0;                // seconds of the app's clock after them
  std::optional<double> bearing;     // what the strike then has
};

TEST(BearingKeys, EveryWayOfClosingTheQuestionLeavesSpaceToTheStopwatch) {
  if (!test::XvfbServer::installed()) GTEST_SKIP() << "Xvfb is not installed";
  test::XvfbServer x;
  ASSERT_TRUE(x.start(800, 700));
  AutomationClient app({"--manual-clock", "1700000000", "--location", "45,7"}, x.environment(), "xcb");
  ASSERT_TRUE(app.started());
  ASSERT_TRUE(x.focusWindow("Storm Distance"));
  waitFor(app, [](const QJsonObject& s) { return s["window"].toObject()["active"].toBool(); });
  auto asking = [](const QJsonObject& s) { return s["stormMap"].toObject()["asking"].toBool(); };
  auto button = [](const char* title) { return [title](const QJsonObject& s) { return s["button"] == title; }; };
  auto stop = [&] {
    app.ok("advance 3");
    ASSERT_TRUE(x.xdotool({"key", "space"}));
    waitFor(app, [&](const QJsonObject& s) { return asking(s) && s["button"] == "SAW LIGHTNING"; });
  };
  ASSERT_TRUE(x.xdotool({"key", "space"}));
  waitFor(app, button("HEARD THUNDER"));
  stop();

  const Way ways[] = {
      {"typed, Return", {{"type", "123"}, {"key", "Return"}}, 0, 123},
      {"typed, keypad Enter", {{"type", "271"}, {"key", "KP_Enter"}}, 0, 271},
      {"typed, Escape", {{"type", "5"}, {"key", "Escape"}}, 0, std::nullopt},
      {"typed, time out", {{"type", "4"}}, 25, std::nullopt},
      {"arrow", {{"key", "Left"}}, 0, 270},
      {"Shift with two arrows", {{"keydown", "shift"}, {"key", "Down"}, {"key", "Right"}, {"keyup", "shift"}}, 0, 135},
      {"keypad, Num Lock off", {{"key", "KP_Home"}}, 0, 315},
      {"keypad, Num Lock on", {{"key", "KP_9"}}, 0, 45},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    for (const QStringList& run : way.xdotool) ASSERT_TRUE(x.xdotool(run));
    if (way.advance > 0) app.ok(QString("advance %1").arg(way.advance));
    // The panel goes once the strike has its direction (or none), and the focus comes back.
    const QJsonObject s = waitFor(app, [&](const QJsonObject& s) { return !asking(s) && s["focus"] == "buttonP"; });
    EXPECT_EQ(s["button"].toString().toStdString(), "SAW LIGHTNING") << "the stopwatch started";
    const QJsonValue bearing = app.send("strikes")["strikes"].toArray().at(0).toObject()["bearing"];
    if (way.bearing)
      EXPECT_EQ(bearing.toDouble(-1), *way.bearing);
    else
      EXPECT_TRUE(bearing.isNull() || bearing.isUndefined());
    ASSERT_TRUE(x.xdotool({"key", "space"}));
    waitFor(app, button("HEARD THUNDER"));
    stop();
  }
}

}  // namespace
}  // namespace storm::e2e
