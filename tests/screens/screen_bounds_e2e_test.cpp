#include <gtest/gtest.h>
#include <QJsonArray>
#include <QJsonObject>

#include "support/AutomationClient.h"
#include "support/XvfbServer.h"

// On a real X screen the window opens within the screen's area, whatever the scale factor: at
// twice the density a 1,080-pixel screen has 540 pixels of height to give.

namespace storm::e2e {
namespace {

TEST(ScreenBounds, TheWindowOpensWithinTheScreenAtTwiceTheDensity) {
  if (!test::XvfbServer::installed()) GTEST_SKIP() << "Xvfb is not installed";
  test::XvfbServer x;
  ASSERT_TRUE(x.start(1920, 1080));
  QProcessEnvironment env = x.environment();
  env.insert("QT_SCALE_FACTOR", "2");
  AutomationClient app({"--manual-clock", "1700000000"}, env, "xcb");
  ASSERT_TRUE(app.started());
  app.ok("settle");
  const QJsonObject window = app.state()["window"].toObject();
  const QJsonArray size = window["size"].toArray();
  EXPECT_EQ(size[0].toInt(), 360);
  EXPECT_LE(size[1].toInt(), 540) << "device pixels: twice this";
  EXPECT_GE(size[1].toInt(), 360);
  EXPECT_GE(window["button"].toArray()[3].toInt(), 44);
}

}  // namespace
}  // namespace storm::e2e
