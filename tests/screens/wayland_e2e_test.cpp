#include <gtest/gtest.h>
#include <QImage>
#include <QJsonObject>

#include "support/AutomationClient.h"
#include "support/WestonServer.h"

// The app as a Wayland client of Debian's weston: its window comes up, answers automation and
// times, and the compositor's own picture of its screen shows the red main button.

namespace storm::e2e {
namespace {

TEST(Wayland, TheWindowDrawsUnderWestonAndAnswers) {
  if (!test::WestonServer::installed()) GTEST_SKIP() << "weston is not installed";
  test::WestonServer weston;
  ASSERT_TRUE(weston.start(800, 700));
  AutomationClient app({"--manual-clock", "1700000000"}, weston.environment(), "wayland");
  ASSERT_TRUE(app.started());
  // The headless output has no keyboard, so the window is never active: it is seen on the screen.
  EXPECT_EQ(app.state()["screen"].toString().toStdString(), "main");
  app.ok("tap button");
  EXPECT_EQ(app.state()["button"].toString().toStdString(), "HEARD THUNDER");
  app.ok("advance 3");
  app.ok("tap button");
  EXPECT_EQ(app.state()["dist"].toString().toStdString(), "0.63mi or 1.02km");
  app.ok("settle");

  // The compositor shows what the app drew: the main button's red, in a block of its size.
  QImage shot;
  int red = 0;
  for (int attempt = 0; attempt < 50 && red < 4000; ++attempt) {  // until a frame with the button is shown
    shot = QImage(weston.screenshot(app.home()));
    ASSERT_FALSE(shot.isNull()) << "weston-screenshooter took no picture";
    red = 0;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) {
        const QColor c = shot.pixelColor(x, y);
        red += c.red() > 150 && c.green() < 80 && c.blue() < 80;
      }
  }
  EXPECT_EQ(shot.size(), QSize(800, 700));
  EXPECT_GE(red, 4000) << "red pixels on the screen";
}

}  // namespace
}  // namespace storm::e2e
