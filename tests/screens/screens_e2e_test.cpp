#include <gtest/gtest.h>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QRegularExpression>

#include "support/AutomationClient.h"

namespace storm::e2e {
namespace {

QJsonArray rect(double x, double y, double w, double h) { return QJsonArray{x, y, w, h}; }

TEST(BannerE2E, SlidesInOnLoadAndOutOnFailure) {
  AutomationClient app({"--manual-clock", "1700000000"});
  QJsonObject s = app.state();
  EXPECT_EQ(s["banner"].toObject()["frame"].toArray(), rect(0, 640, 360, 50)) << "parked below the edge";
  EXPECT_TRUE(s["banner"].toObject()["inView"].toBool());
  EXPECT_FALSE(s["banner"].toObject()["loaded"].toBool());

  app.ok("banner load");
  app.ok("advance 0.6");
  s = app.state();
  EXPECT_EQ(s["banner"].toObject()["frame"].toArray(), rect(0, 590, 360, 50));
  EXPECT_EQ(s["content"].toObject()["frame"].toArray(), rect(0, 0, 360, 590));
  EXPECT_TRUE(s["banner"].toObject()["loaded"].toBool());

  app.ok("banner fail");
  app.ok("advance 0.6");
  s = app.state();
  EXPECT_EQ(s["banner"].toObject()["frame"].toArray(), rect(0, 640, 360, 50));
  EXPECT_EQ(s["content"].toObject()["frame"].toArray(), rect(0, 0, 360, 640));
}

TEST(BannerE2E, LandscapeSizeAfterARotationQuery) {
  AutomationClient app({"--manual-clock", "1700000000"});
  const QJsonObject answer = app.send("rotate 3");
  EXPECT_TRUE(answer["allowed"].toBool());
  EXPECT_EQ(app.state()["banner"].toObject()["identifier"].toString(), "landscape");
  app.ok("banner load");
  app.ok("advance 0.6");
  const QJsonObject s = app.state();
  EXPECT_EQ(s["content"].toObject()["frame"].toArray(), rect(0, 0, 360, 608));
  EXPECT_EQ(s["banner"].toObject()["frame"].toArray()[1].toDouble(), 608);
  app.send("rotate 1");
  EXPECT_EQ(app.state()["banner"].toObject()["identifier"].toString(), "portrait");
}

// A frame set while the banner glides wins over the glide's target.
TEST(BannerE2E, ATurnDuringTheSlideEndsAtTheNewSize) {
  AutomationClient app({"--manual-clock", "1700000000"});
  app.ok("banner load");
  EXPECT_TRUE(app.send("rotate 3")["allowed"].toBool());
  app.ok("advance 0.6");
  EXPECT_EQ(app.state()["banner"].toObject()["frame"].toArray()[3].toDouble(), 32);
  app.ok("banner load");
  app.ok("advance 0.6");
  const QJsonArray frame = app.state()["banner"].toObject()["frame"].toArray();
  EXPECT_EQ(frame[1].toDouble() + frame[3].toDouble(), 640) << "the bottom edge on the window's";
}

TEST(BannerE2E, FirstAdArrivesByItselfAndATapOpensItsLink) {
  AutomationClient app({"--manual-clock", "1700000000"});
  EXPECT_TRUE(app.send("tap banner").contains("error")) << "nothing to tap before an ad is shown";
  app.ok("advance 2.5");
  app.ok("advance 0.6");
  QJsonObject s = app.state();
  EXPECT_TRUE(s["banner"].toObject()["loaded"].toBool());
  EXPECT_EQ(s["content"].toObject()["frame"].toArray(), rect(0, 0, 360, 590));
  app.ok("tap banner");
  const QJsonArray urls = app.state()["openedURLs"].toArray();
  ASSERT_EQ(urls.size(), 1);
  EXPECT_TRUE(urls[0].toString().startsWith("http://")) << urls[0].toString().toStdString();
}

TEST(BannerE2E, NoAdvertisementsMeansAFailureAndOneLogLineNeverACrash) {
  AutomationClient probe;
  const QString bad = probe.home() + "/ads.json";
  for (const QByteArray& content : {QByteArray("{ not json"), QByteArray("{\"ads\": []}"), QByteArray("[1,2]")}) {
    QFile f(bad);
    ASSERT_TRUE(f.open(QFile::WriteOnly | QFile::Truncate));
    f.write(content);
    f.close();
    AutomationClient app({"--manual-clock", "1700000000", "--house-ads", bad});
    app.ok("advance 3");
    app.ok("advance 0.6");
    const QJsonObject s = app.state();
    EXPECT_FALSE(s["banner"].toObject()["loaded"].toBool()) << content.toStdString();
    EXPECT_EQ(s["content"].toObject()["frame"].toArray(), rect(0, 0, 360, 640));
    EXPECT_EQ(s["log"].toArray().size(), 1) << content.toStdString();
  }
  AutomationClient missing({"--house-ads", probe.home() + "/none.json"});
  EXPECT_EQ(missing.state()["log"].toArray().size(), 1);
}

TEST(InfoScreenE2E, OpensAndClosesWhileAMeasurementKeepsRunning) {
  AutomationClient app({"--manual-clock", "1700000000"});
  app.ok("tap button");
  app.ok("advance 2");
  app.ok("tap info");
  app.ok("settle");
  EXPECT_EQ(app.state()["screen"].toString(), "info");
  EXPECT_TRUE(app.send("tap button").contains("error")) << "the main screen takes no input now";
  app.ok("advance 3");
  app.ok("tap done");
  app.ok("settle");
  QJsonObject s = app.state();
  EXPECT_EQ(s["screen"].toString(), "main");
  EXPECT_EQ(s["phase"].toInt(), 1) << "the measurement still runs";
  EXPECT_EQ(s["time"].toString(), "5.000");
  app.ok("advance 0.5");
  app.ok("tap button");
  EXPECT_EQ(app.state()["time"].toString(), "5.500");
}

TEST(InfoScreenE2E, DoneDuringTheSlideInClosesOnceTheSlideEnds) {
  AutomationClient app({"--manual-clock", "1700000000"});
  app.ok("tap info");
  app.ok("tap done");
  app.ok("settle");
  EXPECT_EQ(app.state()["screen"].toString(), "main");
}

TEST(InfoScreenE2E, StoreLinksOpenOnceEachInTheirForms) {
  AutomationClient app;
  app.ok("tap paid");
  QJsonArray urls = app.state()["openedURLs"].toArray();
  ASSERT_EQ(urls.size(), 1);
  EXPECT_TRUE(urls[0].toString().contains(QRegularExpression("^http://[^/]+/us/app/[^/]+/id\\d+\\?mt=8$")))
      << urls[0].toString().toStdString();
  app.ok("tap info");
  app.ok("settle");
  app.ok("tap more");
  urls = app.state()["openedURLs"].toArray();
  ASSERT_EQ(urls.size(), 2);
  EXPECT_TRUE(urls[1].toString().contains(QRegularExpression("^http://[^/]+/us/artist/[^/]+/id\\d+\\?uo=4$")))
      << urls[1].toString().toStdString();
  EXPECT_EQ(app.state()["screen"].toString(), "info") << "the information screen stays";
}

TEST(InfoScreenE2E, ScreenshotsOfTheBannerAndTheInformationScreen) {
  AutomationClient app({"--manual-clock", "1700000000"});
  app.ok("banner load");
  app.ok("advance 0.6");
  const QString main = app.home() + "/banner.png";
  app.ok("screenshot " + main);
  QImage shot(main);
  ASSERT_FALSE(shot.isNull());
  // The banner's own colour fills the strip at the foot of the screen.
  const QColor foot = shot.pixelColor(4, 636);
  EXPECT_EQ(foot, QColor("#0b3954")) << foot.name().toStdString();
  app.ok("tap info");
  app.ok("settle");
  const QString info = app.home() + "/info.png";
  app.ok("screenshot " + info);
  QImage infoShot(info);
  ASSERT_FALSE(infoShot.isNull());
  // Where the main screen shows its map, the information screen's dark page lies, under its text.
  int page = 0, all = 0;
  for (int y = 80; y < 360; y += 4)
    for (int x = 20; x < 340; x += 4, ++all) page += infoShot.pixelColor(x, y) == QColor("#1f2933");
  EXPECT_GT(page, all / 2) << "the information screen covers the main one";
}

}  // namespace
}  // namespace storm::e2e
