#include <gtest/gtest.h>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>

#include "support/AutomationClient.h"
#include "support/WaitForState.h"
#include "support/XvfbServer.h"

// The app in a real X window on a private Xvfb: presses of the X server's own keyboard start and
// stop a measurement, give the flash's direction and open and close every screen, and a picture of the X screen shows the
// window as the app reports it.

namespace storm::e2e {
namespace {

// Runs an X client on `display` to its end and returns what it printed; fails the test if it
// does not succeed within `timeoutMs`.
QByteArray runOn(const QString& display, const QString& program, const QStringList& arguments, int timeoutMs = 15000) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DISPLAY", display);
  process.setProcessEnvironment(env);
  process.start(program, arguments);
  if (!process.waitForFinished(timeoutMs)) process.kill();  // and waits in the destructor
  EXPECT_TRUE(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
      << program.toStdString() << " " << arguments.join(' ').toStdString() << ": "
      << process.readAllStandardError().toStdString();
  return process.readAllStandardOutput();
}

TEST(RealWindow, KeysFromTheXServerMeasureAndTheScreenShowsTheButton) {
  if (!test::XvfbServer::installed()) GTEST_SKIP() << "Xvfb is not installed";
  test::XvfbServer x;
  ASSERT_TRUE(x.start(800, 700));
  // A position: the direction of a flash is asked only where it can place the strike.
  AutomationClient app({"--manual-clock", "1700000000", "--location", "48.1,11.5"}, x.environment(), "xcb");
  ASSERT_TRUE(app.started());
  ASSERT_TRUE(x.focusWindow("Storm Distance"));
  waitFor(app, [](const QJsonObject& s) { return s["window"].toObject()["active"].toBool(); });

  runOn(x.display(), "xdotool", {"key", "space"});
  waitFor(app, [](const QJsonObject& s) { return s["button"].toString() == "HEARD THUNDER"; });
  app.ok("advance 3");
  runOn(x.display(), "xdotool", {"key", "space"});
  const QJsonObject s = waitFor(app, [](const QJsonObject& s) { return s["button"].toString() == "SAW LIGHTNING"; });
  EXPECT_EQ(s["time"].toString(), "3.000");
  EXPECT_EQ(s["dist"].toString(), "0.63mi or 1.02km");
  // The map asks where the flash was: the keypad's 9 is north-east.
  runOn(x.display(), "xdotool", {"key", "KP_9"});
  waitFor(app, [](const QJsonObject& s) { return !s["stormMap"].toObject()["asking"].toBool(); });
  EXPECT_EQ(app.send("strikes")["strikes"].toArray().at(0).toObject()["bearing"].toDouble(), 45);

  const QString path = app.home() + "/screen.png";
  runOn(x.display(), "import", {"-window", "root", path});
  const QImage shot(path);
  ASSERT_FALSE(shot.isNull());
  EXPECT_EQ(shot.size(), QSize(800, 700));
  const QJsonArray at = s["window"].toObject()["frame"].toArray(), button = s["window"].toObject()["button"].toArray();
  // Inside the button's left edge, clear of its border and of its words.
  const QColor red =
      shot.pixelColor(at[0].toInt() + button[0].toInt() + 8, at[1].toInt() + button[1].toInt() + button[3].toInt() / 2);
  EXPECT_GT(red.red(), red.green() + 60) << red.name().toStdString();
  EXPECT_GT(red.red(), red.blue() + 60) << red.name().toStdString();
}

// The keyboard alone, through the X server: Tab and Return open History, Escape closes it and
// gives the focus back to the main button, F1 and Ctrl+H open Info and History and Escape closes
// them, T times from a focused map, and Return on a focused Info button opens Info without
// starting the stopwatch.
TEST(RealWindow, EveryScreenOpensAndClosesByKeysAlone) {
  if (!test::XvfbServer::installed()) GTEST_SKIP() << "Xvfb is not installed";
  test::XvfbServer x;
  ASSERT_TRUE(x.start(800, 700));
  AutomationClient app({"--manual-clock", "1700000000"}, x.environment(), "xcb");
  ASSERT_TRUE(app.started());
  ASSERT_TRUE(x.focusWindow("Storm Distance"));
  waitFor(app, [](const QJsonObject& s) { return s["window"].toObject()["active"].toBool(); });
  auto keys = [&](const QStringList& names) { runOn(x.display(), "xdotool", QStringList{"key"} + names); };
  auto at = [](QString screen, QString focus) {
    return [screen, focus](const QJsonObject& s) {
      return s["screen"].toString() == screen && s["focus"].toString() == focus;
    };
  };
  // Presses `key` until `name` has the focus, within a round of the screen.
  auto moveTo = [&](const QString& name, const QString& key) {
    QString focus = app.state()["focus"].toString();
    for (int i = 0; i < 12 && focus != name; ++i) {
      keys({key});
      focus = waitFor(app, [&](const QJsonObject& s) { return s["focus"].toString() != focus; })["focus"].toString();
    }
    EXPECT_EQ(focus, name);
  };
  auto idle = [](const QJsonObject& s) { return s["button"].toString() == "SAW LIGHTNING"; };
  auto timing = [](const QJsonObject& s) { return s["button"].toString() == "HEARD THUNDER"; };

  waitFor(app, at("main", "buttonP"));
  keys({"space"});  // a strike for the history to list
  waitFor(app, timing);
  app.ok("advance 2");
  keys({"space"});
  waitFor(app, idle);
  moveTo("history", "Tab");  // by the map, its panel's Undo and the map types
  keys({"Return"});
  EXPECT_TRUE(idle(waitFor(app, at("history", "strikeTable")))) << "the list has the focus, the stopwatch is idle";
  keys({"Escape"});
  waitFor(app, at("main", "buttonP"));
  keys({"space"});
  waitFor(app, timing);
  keys({"Escape"});
  waitFor(app, idle);

  keys({"F1"});
  waitFor(app, [](const QJsonObject& s) { return s["screen"].toString() == "info"; });
  keys({"Escape"});
  waitFor(app, at("main", "buttonP"));
  keys({"ctrl+h"});
  waitFor(app, at("history", "strikeTable"));
  keys({"Escape"});
  waitFor(app, at("main", "buttonP"));

  keys({"Tab"});
  waitFor(app, at("main", "mapView"));
  keys({"t"});
  waitFor(app, timing);
  app.ok("advance 3");
  keys({"t"});
  const QJsonObject stopped = waitFor(app, idle);
  EXPECT_EQ(stopped["dist"].toString(), "0.63mi or 1.02km");
  EXPECT_EQ(stopped["focus"].toString(), "mapView");

  moveTo("info", "shift+Tab");  // by the main button and Store
  keys({"Return"});
  const QJsonObject info = waitFor(app, [](const QJsonObject& s) { return s["screen"].toString() == "info"; });
  EXPECT_EQ(info["phase"].toInt(), 0) << "Return on Info opened it and started nothing";
  EXPECT_TRUE(idle(info));
  keys({"Escape"});
  waitFor(app, at("main", "buttonP"));
}

}  // namespace
}  // namespace storm::e2e
