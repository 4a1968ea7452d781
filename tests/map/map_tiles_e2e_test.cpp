#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <functional>

#include "support/Sandbox.h"
#include "support/AutomationClient.h"
#include "support/MapTileServer.h"
#include "support/WaitForState.h"

// The map on screen against tiles served on loopback: the right layer per map type, the storm
// circle in the delegate's colours, the placeholder when the server is gone, the disk cache, and
// no tiles at all in automation mode when the sources file is bad.

namespace storm::e2e {
namespace {

const QColor kStandard(0, 160, 0);
const QColor kSatellite(0, 0, 200);
const QColor kLabels(230, 200, 0);
const QColor kPlaceholder(0xe8, 0xe6, 0xe1);
const QColor kUserDot(0x1a, 0x73, 0xe8);

bool near(const QColor& a, const QColor& b, int tolerance = 6) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

std::string describe(const QColor& c) {
  return QString("(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue()).toStdString();
}

class MapTiles : public ::testing::Test {
 protected:
  MapTiles() : server_({{"std", {kStandard}}, {"sat", {kSatellite}}, {"labels", {kLabels, true}}}) {}

  void SetUp() override {
    ASSERT_TRUE(server_.start());
    sourcesFile_ = dir_.path() + "/sources.json";
    QFile file(sourcesFile_);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QString std = server_.urlTemplate("std"), sat = server_.urlTemplate("sat");
    file.write(QString(R"({
      "standard": {"url": "%1", "maxZoom": 19, "attribution": "Test streets"},
      "satellite": {"url": "%2", "maxZoom": 18, "attribution": "Test imagery"},
      "hybrid": {"url": "%2", "maxZoom": 18, "attribution": "Test imagery",
                 "overlay": {"url": "%3", "maxZoom": 18, "attribution": "Test labels"}}
    })")
                   .arg(std, sat, server_.urlTemplate("labels"))
                   .toUtf8());
  }

  QProcessEnvironment environment() const { return dir_.environment(); }

  static bool tilesReady(const QJsonObject& s) {
    const QJsonObject map = s["mapView"].toObject();
    const QJsonObject tiles = map["tiles"].toObject();
    return !map["animating"].toBool() && tiles["needed"].toInt() > 0 && tiles["ready"] == tiles["needed"];
  }

  QImage screenshot(AutomationClient& app) {
    const QString path = dir_.path() + "/shot" + QString::number(shots_++) + ".png";
    app.ok("screenshot " + path);
    QImage image(path);
    EXPECT_FALSE(image.isNull());
    return image.convertToFormat(QImage::Format_RGB32);
  }

  static QRect mapFrame(const QJsonObject& state) {
    const QJsonArray f = state["map"].toObject()["frame"].toArray();
    return QRect(f[0].toInt(), f[1].toInt(), f[2].toInt(), f[3].toInt());
  }

  // Colours on a grid over the map's middle, away from the scale bar and the attribution.
  static std::vector<QColor> samples(const QImage& shot, const QRect& map) {
    std::vector<QColor> colours;
    for (int y = map.top() + 50; y < map.bottom() - 60; y += 17)
      for (int x = map.left() + 10; x < map.right() - 10; x += 13) colours.push_back(shot.pixelColor(x, y));
    return colours;
  }

  test::MapTileServer server_;
  test::Sandbox dir_;
  QString sourcesFile_;
  int shots_ = 0;
};

TEST_F(MapTiles, EachMapTypeShowsItsOwnLayers) {
  AutomationClient app({"--map-sources", sourcesFile_}, environment());
  ASSERT_TRUE(app.started());
  app.ok("camera 45 7 10");

  struct Case {
    int segment;
    std::vector<QColor> allowed;
    std::vector<QColor> required;
  };
  for (const Case& c : {Case{0, {kStandard}, {kStandard}}, Case{1, {kSatellite}, {kSatellite}},
                        Case{2, {kSatellite, kLabels}, {kSatellite, kLabels}}, Case{0, {kStandard}, {kStandard}}}) {
    SCOPED_TRACE("segment " + std::to_string(c.segment));
    app.ok("segment " + QString::number(c.segment));
    const QJsonObject state = waitFor(app, tilesReady);
    const QImage shot = screenshot(app);
    std::vector<bool> seen(c.required.size());
    for (const QColor& colour : samples(shot, mapFrame(state))) {
      bool allowed = false;
      for (const QColor& a : c.allowed) allowed = allowed || near(colour, a);
      ASSERT_TRUE(allowed) << describe(colour);
      for (size_t i = 0; i < c.required.size(); ++i) seen[i] = seen[i] || near(colour, c.required[i]);
    }
    for (size_t i = 0; i < seen.size(); ++i) EXPECT_TRUE(seen[i]) << describe(c.required[i]);
  }
  EXPECT_GT(server_.requests("labels"), 0);
}

TEST_F(MapTiles, StormCircleIsDrawnInTheDelegateColoursBelowTheUserDot) {
  AutomationClient app({"--map-sources", sourcesFile_, "--manual-clock", "1000000000", "--location", "45,7"},
                       environment());
  ASSERT_TRUE(app.started());
  app.ok("tap button");
  app.ok("advance 1.5");  // before the first advertisement arrives and shortens the map
  app.ok("tap button");
  app.ok("key Escape");  // the question for the flash's direction goes from the map's foot
  const QJsonObject state = waitFor(app, tilesReady);
  const QImage shot = screenshot(app);
  const QRect map = mapFrame(state);
  const QPoint centre = map.topLeft() + QPoint(map.width() / 2, map.height() / 2);

  // The circle's radius in pixels, from the ground resolution of the Web Mercator plane at 45 N
  // (ellipsoidal radius of the parallel), independent of the app's code.
  const double zoom = state["mapView"].toObject()["zoom"].toDouble();
  const double radius = state["map"].toObject()["overlays"].toArray()[0].toObject()["radius"].toDouble();
  const double a = 6378137.0, e2 = 0.00669437999014, phi = 45.0 * M_PI / 180;
  const double parallel = a * std::cos(phi) / std::sqrt(1 - e2 * std::sin(phi) * std::sin(phi));
  const double metresPerPixel = 2 * M_PI * parallel / (256 * std::exp2(zoom));
  const double r = radius / metresPerPixel;
  ASSERT_GT(r, 40);

  // Inside: red at alpha 0.25 over the street tile; outside: the tile alone.
  const QColor inside(qRound(0.75 * kStandard.red() + 0.25 * 255), qRound(0.75 * kStandard.green()),
                      qRound(0.75 * kStandard.blue()));
  const QColor atInside = shot.pixelColor(centre + QPoint(qRound(r * 0.5), 0));
  EXPECT_TRUE(near(atInside, inside)) << describe(atInside) << " expected " << describe(inside);
  const QColor atOutside = shot.pixelColor(centre + QPoint(qRound(r * 0.8), qRound(r * 0.8)));
  EXPECT_TRUE(near(atOutside, kStandard)) << describe(atOutside);
  // The outline: black at alpha 0.5, a hairline, where the radius says (straight down: the fitted
  // circle touches the sides of a portrait map).
  ASSERT_LT(centre.y() + r + 6, map.bottom());
  int darkest = 255, darkestAt = 0, darkPixels = 0;
  for (int dy = qRound(r) - 6; dy <= qRound(r) + 6; ++dy) {
    const int g = shot.pixelColor(centre + QPoint(0, dy)).green();
    if (g < darkest) darkest = g, darkestAt = dy;
    darkPixels += g < 0.8 * inside.green();
  }
  EXPECT_LT(darkest, 0.8 * inside.green());
  EXPECT_NEAR(darkestAt, r, 2.0);
  EXPECT_LE(darkPixels, 2) << "the outline is a hairline";
  // The user's dot covers the circle's middle.
  EXPECT_TRUE(near(shot.pixelColor(centre), kUserDot, 10)) << describe(shot.pixelColor(centre));
}

TEST_F(MapTiles, WithoutTheServerThePlaceholderShowsAndSeenTilesComeFromDisk) {
  {
    AutomationClient app({"--map-sources", sourcesFile_}, environment());
    ASSERT_TRUE(app.started());
    app.ok("camera 45 7 10");
    waitFor(app, tilesReady);
    EXPECT_EQ(app.quit(), 0);
  }
  // Where the README says the tiles are kept.
  const QDir tiles(dir_.cache() + "/storm-distance/tiles");
  EXPECT_TRUE(tiles.exists());
  EXPECT_FALSE(tiles.entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
  server_.stop();

  AutomationClient app({"--map-sources", sourcesFile_}, environment());
  ASSERT_TRUE(app.started());
  app.ok("camera 45 7 10");
  QJsonObject state = waitFor(app, tilesReady);
  for (const QColor& colour : samples(screenshot(app), mapFrame(state)))
    ASSERT_TRUE(near(colour, kStandard)) << "from the disk cache: " << describe(colour);

  app.ok("camera -30 -40 9");  // never fetched
  state = waitFor(app, [](const QJsonObject& s) {
    const QJsonObject tiles = s["mapView"].toObject()["tiles"].toObject();
    return tiles["needed"].toInt() > 0 && tiles["failing"] == tiles["needed"];
  });
  int ground = 0, total = 0;
  for (const QColor& colour : samples(screenshot(app), mapFrame(state))) {
    ASSERT_FALSE(near(colour, kStandard, 40)) << describe(colour);
    ground += near(colour, kPlaceholder);
    ++total;
  }
  EXPECT_GT(ground, total * 3 / 4);
  // Still answering, with no dialog in the way.
  app.ok("settle");
  EXPECT_TRUE(app.state()["alert"].isNull());
  EXPECT_EQ(app.quit(), 0);
}

// The night look dims the tiles and the grid: no near-white area is left on the main screen. By
// the clock and the position: 22:13 UTC is night at 45° N 7° E.
TEST_F(MapTiles, AtNightTheTilesAreDimmedAndNothingOnTheScreenGlares) {
  AutomationClient app({"--map-sources", sourcesFile_, "--manual-clock", "1700000000", "--location", "45,7"},
                       environment());
  ASSERT_TRUE(app.started());
  app.ok("camera 45 7 10");
  EXPECT_FALSE(waitFor(app, tilesReady)["night"].toBool()) << "automation mode starts by day";
  app.ok("night auto");
  const QJsonObject state = waitFor(app, [](const QJsonObject& s) { return s["night"].toBool() && tilesReady(s); });
  const QImage shot = screenshot(app);
  const QColor dimmed(12, 80, 20);  // the standard tiles' green at 40 %, on the screens' blue
  int dim = 0, total = 0;
  for (const QColor& colour : samples(shot, mapFrame(state))) {
    ASSERT_FALSE(near(colour, kStandard, 40)) << describe(colour);
    dim += near(colour, dimmed);
    ++total;
  }
  EXPECT_GT(dim, total * 3 / 4) << "the rest: the dot and the controls";
  qint64 white = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) {
      const QColor c = shot.pixelColor(x, y);
      white += std::min({c.red(), c.green(), c.blue()}) >= 220;
    }
  EXPECT_LT(white * 100.0 / (shot.width() * shot.height()), 3.0) << "near-white pixels, in %";
  app.ok("night off");
  EXPECT_FALSE(app.state()["night"].toBool());
  EXPECT_FALSE(app.send("night dusk")["error"].isUndefined());
}

// In automation mode the map reaches only the hosts of a --map-sources file: one that cannot be
// read or parsed leaves every map type without tiles, never with the built-in public sources.
TEST_F(MapTiles, InAutomationModeABadSourcesFileMeansNoTilesAtAll) {
  const QString broken = dir_.path() + "/broken.json";
  {
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"standard": {"url": )");
  }
  for (const QString& path : {broken, dir_.path() + "/missing.json"}) {
    SCOPED_TRACE(path.toStdString());
    AutomationClient app({"--map-sources", path}, environment());
    ASSERT_TRUE(app.started());
    app.ok("camera 45 7 10");
    for (int segment : {0, 1, 2}) {
      app.ok("segment " + QString::number(segment));
      EXPECT_EQ(app.state()["mapView"].toObject()["tiles"].toObject()["needed"].toInt(), 0) << "segment " << segment;
    }
    const QJsonArray log = app.state()["log"].toArray();
    EXPECT_TRUE(
        std::any_of(log.begin(), log.end(), [&](const QJsonValue& line) { return line.toString().contains(path); }));
    EXPECT_EQ(app.quit(), 0);
  }
  EXPECT_EQ(server_.requests(), 0);
}

}  // namespace
}  // namespace storm::e2e
