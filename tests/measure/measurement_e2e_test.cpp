#include <gtest/gtest.h>
#include <QImage>
#include <QJsonArray>

#include "support/AutomationClient.h"
#include "map/Coordinates.h"

namespace storm::e2e {
namespace {

struct Measurement {
  const char* advance;  // seconds between the presses, as the command takes them
  const char* time;
  const char* dist;
  double radius;
  double extent;
};

class MeasuredThroughTheApp : public ::testing::TestWithParam<Measurement> {};

TEST_P(MeasuredThroughTheApp, ShowsTimeDistanceAndCircle) {
  const auto& m = GetParam();
  AutomationClient app({"--manual-clock", "1700000000"});
  ASSERT_TRUE(app.started());
  app.ok("location 48.8566 2.3522");
  app.ok("tap button");
  app.ok(QString("advance ") + m.advance);
  app.ok("tap button");
  const QJsonObject s = app.state();
  EXPECT_EQ(s["time"].toString().toStdString(), m.time);
  EXPECT_EQ(s["dist"].toString().toStdString(), m.dist);
  EXPECT_EQ(s["button"].toString(), "SAW LIGHTNING");
  EXPECT_EQ(s["phase"].toInt(), 0);

  const QJsonObject map = s["map"].toObject();
  const QJsonArray overlays = map["overlays"].toArray();
  ASSERT_EQ(overlays.size(), 1);
  EXPECT_EQ(overlays[0].toObject()["radius"].toDouble(), m.radius);
  EXPECT_EQ(overlays[0].toObject()["lat"].toDouble(), 48.8566);
  EXPECT_TRUE(map["delegate"].toBool());
  EXPECT_EQ(map["autoresizing"].toInt(), 18);

  // The map shows at least the asked extent around the user, fitted to its shape: nothing of it
  // is cut off, and the fit is tight.
  const auto asked = MKCoordinateRegionMakeWithDistance({48.8566, 2.3522}, m.extent, m.extent);
  const QJsonObject region = map["region"].toObject();
  EXPECT_DOUBLE_EQ(region["lat"].toDouble(), 48.8566);
  const double latRatio = region["latSpan"].toDouble() / asked.span.latitudeDelta;
  const double lonRatio = region["lonSpan"].toDouble() / asked.span.longitudeDelta;
  EXPECT_GE(latRatio, 1 - 1e-9);
  EXPECT_GE(lonRatio, 1 - 1e-9);
  EXPECT_LT(std::min(latRatio, lonRatio), 1.01);
  EXPECT_EQ(app.quit(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, MeasuredThroughTheApp,
    ::testing::Values(Measurement{"3", "3.000", "0.63mi or 1.02km", 1020.8699951171875, 2041.739990234375},
                      Measurement{"10.5", "10.500", "2.22mi or 3.57km", 3573.044921875, 7146.08984375},
                      Measurement{"29.386", "29.386", "6.21mi or 10.00km", 9999.76171875, 19999.5234375},
                      // Past the minute the time keeps counting instead of wrapping.
                      Measurement{"65.25", "65.250", "13.80mi or 22.20km", 22203.921875, 44407.84375},
                      Measurement{"60", "60.000", "12.69mi or 20.42km", 20417.400390625, 40834.80078125}));

TEST(MeasurementE2E, TimeRunsInHundredthsAndStopsWithTheSecondPress) {
  AutomationClient app({"--manual-clock", "1700000000"});
  app.ok("tap button");
  QJsonObject s = app.state();
  EXPECT_EQ(s["button"].toString(), "HEARD THUNDER");
  EXPECT_EQ(s["dist"].toString(), "");
  EXPECT_EQ(s["phase"].toInt(), 1);
  app.ok("advance 0.01");
  EXPECT_EQ(app.state()["time"].toString(), "0.010");
  app.ok("advance 1.234");
  EXPECT_EQ(app.state()["time"].toString(), "1.240");  // the tick at 1.24 s was the last one due
  app.ok("tap button");
  EXPECT_EQ(app.state()["time"].toString(), "1.244");
  app.ok("advance 2");
  EXPECT_EQ(app.state()["time"].toString(), "1.244");
}

TEST(MeasurementE2E, TextUsesLatinDigitsInEveryLocale) {
  for (const char* locale : {"ar_EG.UTF-8", "de_DE.UTF-8"}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", locale);
    env.insert("LANG", locale);
    AutomationClient app({"--manual-clock", "1700000000"}, env);
    app.ok("tap button");
    app.ok("advance 10.5");
    app.ok("tap button");
    const QJsonObject s = app.state();
    EXPECT_EQ(s["time"].toString(), "10.500") << locale;
    EXPECT_EQ(s["dist"].toString(), "2.22mi or 3.57km") << locale;
  }
}

TEST(MeasurementE2E, MapTypeFollowsTheSelector) {
  AutomationClient app({"--manual-clock", "1700000000"});
  app.ok("location 48.8566 2.3522");
  app.ok("tap button");
  app.ok("advance 3");
  app.ok("tap button");
  app.ok("segment 1");
  QJsonObject map = app.state()["map"].toObject();
  EXPECT_EQ(map["type"].toInt(), 1);
  EXPECT_EQ(map["overlays"].toArray().size(), 1) << "the circle stays";
  app.ok("segment 2");
  EXPECT_EQ(app.state()["map"].toObject()["type"].toInt(), 2);
  app.ok("segment -1");
  QJsonObject s = app.state();
  EXPECT_EQ(s["segment"].toInt(), -1);
  EXPECT_EQ(s["map"].toObject()["type"].toInt(), 2) << "no segment changes nothing";
  app.ok("segment 0");
  EXPECT_EQ(app.state()["map"].toObject()["type"].toInt(), 0);
  EXPECT_TRUE(app.send("segment 3").contains("error"));
}

TEST(MeasurementE2E, BadCommandsAnswerWithAnErrorAndTheAppCarriesOn) {
  AutomationClient app;
  EXPECT_TRUE(app.send("fly away").contains("error"));
  EXPECT_TRUE(app.send("advance 1").contains("error")) << "no manual clock";
  EXPECT_TRUE(app.send("location 91 0").contains("error"));
  EXPECT_TRUE(app.send("tap nothing").contains("error"));
  EXPECT_EQ(app.state()["screen"].toString(), "main");
  EXPECT_EQ(app.quit(), 0);
}

TEST(MeasurementE2E, ManualClockValuesBeyondReachAreRefused) {
  for (const char* epoch : {"nan", "inf", "-inf", "1e300", "-2e15"}) {
    QProcess app;
    app.start(STORM_APP_BINARY, {"--automation", "--manual-clock", epoch});
    ASSERT_TRUE(app.waitForFinished(10000)) << epoch;
    EXPECT_EQ(app.exitCode(), 2) << epoch;
    EXPECT_TRUE(app.readAllStandardError().contains("--manual-clock needs")) << epoch;
  }
  AutomationClient app({"--manual-clock", "1700000000"});
  for (const char* seconds : {"nan", "inf", "1e300", "1000000001", "-1"})
    EXPECT_TRUE(app.send(QString("advance ") + seconds).contains("error")) << seconds;
  app.ok("advance 1e9");
  EXPECT_EQ(app.quit(), 0);
}

TEST(MeasurementE2E, RealClockMeasuresRealTime) {
  AutomationClient app;
  app.ok("tap button");
  app.ok("wait 0.3");
  app.ok("tap button");
  const double seconds = app.state()["time"].toString().toDouble();
  EXPECT_GE(seconds, 0.3);
  EXPECT_LT(seconds, 5.0);
}

TEST(MeasurementE2E, ScreenshotShowsTheCircleOnTheMap) {
  AutomationClient app({"--manual-clock", "1700000000"});
  app.ok("location 51.5 -0.12");
  app.ok("tap button");
  app.ok("advance 10.5");
  app.ok("tap button");
  app.ok("advance 1");  // the map's glide to the region
  const QString path = app.home() + "/main.png";
  app.ok("screenshot " + path);
  const QJsonArray frame = app.state()["map"].toObject()["frame"].toArray();
  QImage shot(path);
  ASSERT_FALSE(shot.isNull());
  EXPECT_EQ(shot.width(), 360);
  EXPECT_EQ(shot.height(), 640);
  // Inside the circle, halfway between the user's dot and the edge, the map is tinted red.
  const int cx = static_cast<int>(frame[0].toDouble() + frame[2].toDouble() / 2);
  const int cy = static_cast<int>(frame[1].toDouble() + frame[3].toDouble() / 2);
  const QColor inside = shot.pixelColor(cx + 40, cy);
  EXPECT_GT(inside.red(), inside.green() + 30) << inside.name().toStdString();
  EXPECT_GT(inside.red(), inside.blue() + 30) << inside.name().toStdString();
}

}  // namespace
}  // namespace storm::e2e
