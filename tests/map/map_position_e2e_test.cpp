#include <gtest/gtest.h>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

#include <cstdio>

#include "support/AutomationClient.h"
#include "support/WaitForState.h"

// The user's position from a replayed NMEA log, and what happens when the log cannot be read.

namespace storm::e2e {
namespace {

// "$...*hh": the checksum is the XOR of the characters between '$' and '*'.
QByteArray sentence(const QByteArray& body) {
  unsigned char sum = 0;
  for (char c : body) sum ^= static_cast<unsigned char>(c);
  char checksum[3];
  std::snprintf(checksum, sizeof checksum, "%02X", sum);
  return "$" + body + "*" + checksum + "\r\n";
}

TEST(MapPosition, NmeaReplayPutsTheUserAndTheStormCircleAtTheLoggedPosition) {
  QTemporaryDir dir;
  const QString log = dir.path() + "/track.nmea";
  {
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // 48 deg 51.396 min N, 2 deg 21.132 min E: 48.8566, 2.3522; horizontal dilution 1.2.
    for (int second = 0; second < 3; ++second) {
      const QByteArray time = "1200" + QByteArray::number(10 + second) + ".00";
      file.write(sentence("GPGGA," + time + ",4851.396,N,00221.132,E,1,08,1.2,35.0,M,47.0,M,,"));
      file.write(sentence("GPRMC," + time + ",A,4851.396,N,00221.132,E,0.0,0.0,070626,,,A"));
    }
  }
  AutomationClient app({"--nmea", log, "--manual-clock", "1000000000"});
  ASSERT_TRUE(app.started());
  QJsonObject state = waitFor(app, [](const QJsonObject& s) { return s["map"].toObject()["userLocation"].isObject(); });
  const QJsonObject user = state["map"].toObject()["userLocation"].toObject();
  EXPECT_NEAR(user["lat"].toDouble(), 48.8566, 1e-9);
  EXPECT_NEAR(user["lon"].toDouble(), 2.3522, 1e-9);
  EXPECT_GT(state["mapView"].toObject()["accuracy"].toDouble(), 0) << "the dilution of precision gives an accuracy";

  // Measured while the log still gives fixes (its end, a second after its last, is not yet here).
  app.ok("tap button");
  app.ok("advance 2");
  app.ok("tap button");
  state = waitFor(app, [](const QJsonObject& s) { return !s["mapView"].toObject()["animating"].toBool(); });
  const QJsonObject map = state["map"].toObject();
  const QJsonObject circle = map["overlays"].toArray()[0].toObject();
  EXPECT_NEAR(circle["lat"].toDouble(), 48.8566, 1e-9);
  EXPECT_NEAR(circle["lon"].toDouble(), 2.3522, 1e-9);
  EXPECT_NEAR(map["region"].toObject()["lat"].toDouble(), 48.8566, 1e-9);
  EXPECT_NEAR(map["region"].toObject()["lon"].toDouble(), 2.3522, 1e-9);

  const QString path = dir.path() + "/shot.png";
  app.ok("screenshot " + path);
  const QImage shot = QImage(path).convertToFormat(QImage::Format_RGB32);
  const QJsonArray f = state["map"].toObject()["frame"].toArray();
  const QPoint centre(f[0].toInt() + f[2].toInt() / 2, f[1].toInt() + f[3].toInt() / 2);
  const QColor dot = shot.pixelColor(centre);
  EXPECT_TRUE(dot.blue() > 200 && dot.red() < 60) << "the user's dot in the middle of the map";
  const QColor inside = shot.pixelColor(centre + QPoint(f[2].toInt() / 4, 0));
  EXPECT_GT(inside.red(), inside.green() + 40) << "the circle's red fill around it";

  app.ok("advance 1");
  const QString notice = app.state()["mapView"].toObject()["notice"].toString();
  EXPECT_TRUE(notice.contains("The NMEA log has ended.") && notice.contains("Last known position")) << notice.toStdString();
  EXPECT_EQ(app.quit(), 0);
}

TEST(MapPosition, AnUnreadableLogLeavesNoUserLocationAndOneLogLine) {
  AutomationClient app({"--nmea", "/nonexistent/track.nmea"});
  ASSERT_TRUE(app.started());
  const QJsonObject state = app.state();
  EXPECT_TRUE(state["map"].toObject()["userLocation"].isNull());
  const QJsonArray log = state["log"].toArray();
  ASSERT_EQ(log.size(), 1);
  EXPECT_TRUE(log[0].toString().contains("NMEA"));
  app.ok("location 10 20");  // the automation's position still wins
  EXPECT_EQ(app.state()["map"].toObject()["userLocation"].toObject()["lat"].toDouble(), 10);
  EXPECT_EQ(app.quit(), 0);
}

}  // namespace
}  // namespace storm::e2e
