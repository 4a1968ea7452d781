#include <gtest/gtest.h>
#include <QJsonArray>
#include <QJsonObject>
#include <iostream>

#include "support/AutomationClient.h"
#include "support/OrcaRig.h"
#include "support/WaitForState.h"

// The app heard through the Orca screen reader itself, keys pressed on a private X server and what
// Orca says written down by speech-dispatcher: without moving the focus, the person hears the main
// button's timing state, the distance within 3 s of each stop, the call to shelter, the question
// for the flash's direction, the all-clear, what the information screen is about, a wrong
// temperature as it is typed, and History's cells with their columns.

namespace storm::e2e {
namespace {

TEST(Orca, SpeaksTheTimingTheDistanceTheShelterCallTheQuestionAndTheAllClear) {
  if (!test::OrcaRig::installed()) GTEST_SKIP() << "Orca is not installed";
  test::OrcaRig orca;
  const QString failed = orca.start();
  ASSERT_TRUE(failed.isEmpty()) << failed.toStdString();
  AutomationClient app({"--manual-clock", "1700000000", "--location", "45,7"}, orca.environment(), "xcb");
  ASSERT_TRUE(app.started());
  ASSERT_TRUE(orca.x().focusWindow("Storm Distance"));
  waitFor(app, [](const QJsonObject& s) { return s["window"].toObject()["active"].toBool(); });
  const qsizetype start = orca.spoken().size();
  ASSERT_TRUE(orca.waitToHear("SAW LIGHTNING", 10000)) << "the focused main button";

  auto heard = [&](const char* key, const QString& words, qsizetype from) {
    return (!key || orca.x().xdotool({"key", key})) && orca.waitToHear(words, 3000, from);
  };
  auto said = [&] { return orca.spoken().mid(start).join("\n").toStdString(); };
  qsizetype from = orca.spoken().size();
  EXPECT_TRUE(heard("space", "HEARD THUNDER", from)) << said();
  app.ok("advance 3");
  from = orca.spoken().size();
  EXPECT_TRUE(heard("space", "1.02 kilometres, 0.63 miles", from)) << said();
  EXPECT_TRUE(heard(nullptr, "Take shelter now", from)) << said();
  EXPECT_TRUE(heard(nullptr, "Where was the flash?", from)) << said();
  // The arrows answer it with Orca running (Orca takes the keypad for its own review commands).
  ASSERT_TRUE(orca.x().xdotool({"key", "Left"}));
  waitFor(app, [](const QJsonObject& s) { return !s["stormMap"].toObject()["asking"].toBool(); });
  EXPECT_EQ(app.send("strikes")["strikes"].toArray().at(0).toObject()["bearing"].toDouble(), 270);

  // The next measurement, started while the question is up, is heard as well.
  from = orca.spoken().size();
  EXPECT_TRUE(heard("space", "HEARD THUNDER", from)) << said();
  app.ok("advance 6");
  from = orca.spoken().size();
  EXPECT_TRUE(heard("space", "2.04 kilometres", from)) << said();

  from = orca.spoken().size();
  app.ok("advance 1900");  // half an hour without thunder
  EXPECT_TRUE(heard(nullptr, "All clear", from)) << said();

  from = orca.spoken().size();
  EXPECT_TRUE(heard("F1", "How far away is the storm?", from)) << said();
  // A wrong temperature is said as it is found wrong.
  ASSERT_TRUE(orca.x().xdotool({"key", "Tab"}));
  ASSERT_TRUE(orca.x().xdotool({"type", "99"}));
  from = orca.spoken().size();
  EXPECT_TRUE(heard("Return", "Enter a temperature from", from)) << said();
  // History's cells are heard with their column's name.
  ASSERT_TRUE(orca.x().xdotool({"key", "Escape"}));
  from = orca.spoken().size();
  EXPECT_TRUE(heard("ctrl+h", "table", from)) << said();
  from = orca.spoken().size();
  EXPECT_TRUE(heard("Down", "Time: ", from)) << said();
  std::cout << "Orca said:\n" << said() << std::endl;
}

}  // namespace
}  // namespace storm::e2e
