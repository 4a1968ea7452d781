#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QHelpEvent>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <cmath>

#include "map/qt/MapWidget.h"
#include "storm/qt/StormLayer.h"
#include "support/MapTestSupport.h"
#include "support/MapTileServer.h"
#include "system/ManualClock.h"

// The map widget on the offscreen platform: fitting and showing regions, gliding, and what it
// draws when tiles are there, missing, or only there at a coarser zoom.

namespace storm::qt {
namespace {

using test::runUntil;

const QColor kStreets(0, 160, 0);
const QColor kPlaceholder(0xe8, 0xe6, 0xe1);

bool near(const QColor& a, const QColor& b, int tolerance = 6) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

class MapWidgetTest : public ::testing::Test {
 protected:
  MapWidgetTest() : server_({{"s", {kStreets}}}) {}

  void SetUp() override {
    ASSERT_TRUE(server_.start());
    map_.resize(360, 640);
  }

  void useServer(int maxZoom = 17, int firstRetryMs = 2000, const QString& credit = "Test streets") {
    QString error;
    auto sources = MapSources::parse(QString(R"({"standard": {"url": "%1", "maxZoom": %2, "attribution": "%3"}})")
                                         .arg(server_.urlTemplate("s"))
                                         .arg(maxZoom)
                                         .arg(credit)
                                         .toUtf8(),
                                     error);
    ASSERT_TRUE(sources) << error.toStdString();
    TileLoader::Settings settings;
    settings.diskFolder = dir_.path() + "/tiles";
    settings.firstRetryMs = firstRetryMs;
    model_.setTileSources(*sources, settings);
  }

  QImage render() {
    QImage image(map_.size(), QImage::Format_RGB32);
    map_.render(&image);
    return image;
  }
  // Renders until every tile on show is in memory.
  QImage renderLoaded() {
    EXPECT_TRUE(runUntil([&] {
      render();
      const auto s = model_.tileStatus();
      return s.needed > 0 && s.ready == s.needed;
    }));
    return render();
  }

  test::MapTileServer server_;
  QTemporaryDir dir_;
  MapWidget map_;
  MapModel& model_ = map_.model();
};

TEST_F(MapWidgetTest, ARegionOfNoSizeGetsTheClosestZoomOfTheSource) {
  useServer(17);
  const GeoRegion point{{47.37, 8.54}, {0, 0}};
  const GeoRegion fitted = model_.regionThatFits(point);
  EXPECT_EQ(fitted.center, point.center);
  EXPECT_GT(fitted.span.latitudeDelta, 0);
  model_.setRegion(fitted, false);
  EXPECT_DOUBLE_EQ(model_.camera().zoom, 17);
}

TEST_F(MapWidgetTest, WithoutAnimationTheRegionIsShownAtOnce) {
  for (QSize size : {QSize(360, 640), QSize(640, 360)}) {
    map_.resize(size);
    const GeoRegion wanted = regionWithDistance({-33.9, 151.2}, 7146.09, 7146.09);
    const GeoRegion fitted = model_.regionThatFits(wanted);
    model_.setRegion(fitted, false);
    const GeoRegion shown = model_.region();
    EXPECT_NEAR(shown.center.latitude, -33.9, 1e-12);
    EXPECT_NEAR(shown.center.longitude, 151.2, 1e-12);
    EXPECT_NEAR(shown.span.latitudeDelta, fitted.span.latitudeDelta, 1e-12);
    EXPECT_NEAR(shown.span.longitudeDelta, fitted.span.longitudeDelta, 1e-12);
    // Whole in view, and the view's proportions: the wider side of the view has the wider span.
    EXPECT_GE(shown.span.latitudeDelta, wanted.span.latitudeDelta * (1 - 1e-12));
    EXPECT_GE(shown.span.longitudeDelta, wanted.span.longitudeDelta * (1 - 1e-12));
    EXPECT_EQ(size.width() > size.height(), shown.span.longitudeDelta > wanted.span.longitudeDelta * 1.01);
  }
}

TEST_F(MapWidgetTest, AnimatedRegionChangesGlideCentreAndZoomTogether) {
  map_.show();
  model_.setCamera({{0, 0}, 3}, false);
  const GeoRegion target = model_.regionThatFits(regionWithDistance({40, 20}, 2000, 2000));
  bool changed = false;
  QObject::connect(&model_, &MapModel::regionChanged, [&] { changed = true; });
  model_.setRegion(target, true);
  // The target is reported at once, while the map is still on its way.
  EXPECT_TRUE(model_.animating());
  EXPECT_NEAR(model_.region().center.latitude, 40, 1e-12);
  EXPECT_NEAR(model_.region().span.longitudeDelta, target.span.longitudeDelta, 1e-12);
  ASSERT_TRUE(runUntil([&] { return model_.camera().zoom > 3 || !model_.animating(); }));
  if (model_.animating()) {
    const geo::Camera midway = model_.camera();
    EXPECT_GT(midway.center.latitude, 0);
    EXPECT_LT(midway.center.latitude, 40);
    EXPECT_GT(midway.center.longitude, 0);
    EXPECT_LT(midway.center.longitude, 20);
    EXPECT_LT(midway.zoom, 14);
  }
  ASSERT_TRUE(runUntil([&] { return changed; }, 3000));
  EXPECT_FALSE(model_.animating());
  EXPECT_NEAR(model_.camera().center.latitude, 40, 1e-9);
  EXPECT_NEAR(model_.camera().center.longitude, 20, 1e-9);
}

TEST_F(MapWidgetTest, DrawsTheTilesOfTheSource) {
  useServer();
  model_.setCamera({{45, 7}, 9.3}, false);
  const QImage image = renderLoaded();
  for (QPoint p : {QPoint(30, 100), QPoint(180, 320), QPoint(330, 500)})
    EXPECT_TRUE(near(image.pixelColor(p), kStreets)) << p.x() << "," << p.y();
}

TEST_F(MapWidgetTest, MissingTilesShowThePlaceholderAndTheCreditStays) {
  useServer();
  server_.stop();
  model_.setCamera({{45, 7}, 9}, false);
  ASSERT_TRUE(runUntil([&] {
    render();
    const auto s = model_.tileStatus();
    return s.needed > 0 && s.failing == s.needed;
  }));
  const QImage image = render();
  EXPECT_TRUE(near(image.pixelColor(180, 300), kPlaceholder) || near(image.pixelColor(181, 301), kPlaceholder));
  // The attribution sits in a light box at the bottom right, its text dark.
  int light = 0, dark = 0;
  for (int x = 290; x < 355; ++x)
    for (int y = 620; y < 636; ++y) {
      const QColor c = image.pixelColor(x, y);
      light += c.lightness() > 240;
      dark += c.lightness() < 120;
    }
  EXPECT_GT(light, 0);
  EXPECT_GT(dark, 0);
  EXPECT_TRUE(near(image.pixelColor(20, 630), kPlaceholder, 30)) << "the box hugs a short credit";
}

// A note at the map's foot says why it is bare: tiles slow to come, then none to be had; it goes
// once they are in. A long credit stays on one line, cut short, and its tooltip has all of it.
TEST_F(MapWidgetTest, ANoteSaysWhileTilesAreMissingAndALongCreditStaysOnOneLine) {
  const QString credit = "Map data from the test server's many generous contributors, under an open licence";
  server_.setLayer("s", {kStreets, false, 256, test::MapTileServer::Behaviour::Trickle});
  server_.setTrickleMs(200);
  useServer(17, 50, credit);
  map_.show();
  model_.setCamera({{45, 7}, 9}, false);
  EXPECT_TRUE(map_.tileNoteText().isEmpty()) << "not at once: most tiles come in a moment";
  EXPECT_TRUE(runUntil([&] { return map_.tileNoteText() == "Loading map\u2026"; }));

  server_.stop();
  ASSERT_TRUE(runUntil([&] { return map_.tileNoteText() == "Map offline: no tiles could be loaded"; }));
  render();
  const QRect creditBox = map_.creditRect();
  EXPECT_LT(creditBox.height(), 24);
  EXPECT_TRUE(map_.rect().contains(creditBox));
  const QPoint underNote(180, creditBox.top() - 14);
  EXPECT_LT(render().pixelColor(underNote).lightness(), 90) << "a dark note above the credit";

  QHelpEvent hover(QEvent::ToolTip, creditBox.center(), map_.mapToGlobal(creditBox.center()));
  QCoreApplication::sendEvent(&map_, &hover);
  EXPECT_EQ(QToolTip::text(), credit);

  server_.setLayer("s", {kStreets});
  ASSERT_TRUE(server_.start());
  renderLoaded();
  EXPECT_TRUE(map_.tileNoteText().isEmpty());
  EXPECT_TRUE(near(render().pixelColor(underNote), kStreets));
}

TEST_F(MapWidgetTest, ZoomingInBorrowsFromCoarserTilesUntilItsOwnArrive) {
  useServer();
  model_.setCamera({{45, 7}, 8}, false);
  renderLoaded();
  server_.stop();
  model_.setCamera({{45, 7}, 10}, false);
  const QImage image = render();
  EXPECT_EQ(model_.tileStatus().ready, 0);
  EXPECT_TRUE(near(image.pixelColor(180, 320), kStreets));
}

// Painting only paints: tiles are asked for by what changes the view, and by a retry falling due.
TEST_F(MapWidgetTest, AsksForTilesWhenTheViewGrowsAndWhenARetryFallsDue) {
  map_.show();
  useServer(17, 50);
  model_.setCamera({{45, 7}, 9}, false);
  renderLoaded();
  map_.resize(900, 640);
  renderLoaded();

  server_.stop();
  model_.setCamera({{-30, 100}, 9}, false);
  ASSERT_TRUE(runUntil([&] {
    const auto s = model_.tileStatus();
    return s.needed > 0 && s.failing == s.needed;
  }));
  ASSERT_TRUE(server_.start());
  renderLoaded();
}

TEST_F(MapWidgetTest, DrawsEveryDevicePixelOnAHighDensityDevice) {
  useServer();
  model_.setCamera({{45, 7}, 9}, false);
  renderLoaded();
  QImage dense(map_.size() * 2, QImage::Format_RGB32);
  dense.setDevicePixelRatio(2);
  dense.fill(Qt::magenta);
  map_.render(&dense);
  for (QPoint p : {QPoint(0, 0), QPoint(719, 300), QPoint(400, 1279), QPoint(360, 640)})
    EXPECT_TRUE(near(dense.pixelColor(p), kStreets)) << p.x() << "," << p.y();
}

TEST_F(MapWidgetTest, AnOverriddenPositionIgnoresTheSource) {
  model_.setUserLocation(GeoPoint{1, 2}, 30);
  EXPECT_EQ(model_.userLocationAccuracy(), 30);
  model_.overrideUserLocation(GeoPoint{3, 4});
  model_.setUserLocation(GeoPoint{5, 6}, 10);
  ASSERT_TRUE(model_.userLocation());
  EXPECT_EQ(model_.userLocation()->latitude, 3);
  model_.overrideUserLocation(std::nullopt);
  model_.setUserLocation(GeoPoint{5, 6}, 10);
  EXPECT_FALSE(model_.userLocation());
}

// The rings of earlier strikes are drawn without being overlays, and fade with their opacity.
TEST_F(MapWidgetTest, DrawsStrikeRingsApartFromTheOverlaysOnceReleased) {
  useServer();
  model_.setCamera({{45, 7}, 11}, false);
  // Held (as until the window's first frame), the rings and panel are kept but not shown.
  StormLayer layer(&map_, true);
  const std::vector<StrikeRing> rings{{{45, 7}, 5, 0.85}, {{45, 7}, 8, 0.1}};
  layer.setStrikeRings(rings);
  StormPanel steady;
  steady.trend = "Steady";
  layer.setStormPanel(steady);
  EXPECT_EQ(layer.strikeRings(), rings);
  EXPECT_EQ(layer.stormPanel().trend, "Steady");
  EXPECT_TRUE(model_.circles().empty());
  // The most red along the middle row where each ring crosses it, east of the centre.
  auto reddest = [](const QImage& image, double km) {
    const int x = 180 + static_cast<int>(km * 1000 / geo::metersPerPixel(45, 11));
    int most = -255;
    for (int dx = -6; dx <= 6; ++dx) {
      const QColor c = image.pixelColor(x + dx, 320);
      most = std::max(most, c.red() - c.green());
    }
    return most;
  };
  EXPECT_LT(reddest(renderLoaded(), 5), -50);
  EXPECT_TRUE(map_.findChild<QWidget*>("stormPanel")->isHidden());
  layer.hold(false);
  const QImage image = renderLoaded();
  EXPECT_GT(reddest(image, 5), 25);
  EXPECT_LT(reddest(image, 8), -50);
  EXPECT_FALSE(map_.findChild<QWidget*>("stormPanel")->isHidden());
}

// The storm's panel sits at the top of the map, clear of the re-centre control and of the notice
// shown while the position is unknown, on a phone-sized map and on a wide one.
TEST_F(MapWidgetTest, TheStormPanelKeepsClearOfTheControlsAndTheNotice) {
  StormPanel panel;
  panel.trend = "Approaching · 0.5 km/min · within 10 km in about 12 min";
  panel.shelter = "Take shelter now";
  panel.countdown = "All clear in 29:59";
  StormLayer layer(&map_);
  layer.setStormPanel(panel);
  auto* box = map_.findChild<QWidget*>("stormPanel");
  auto* centre = map_.findChild<QAbstractButton*>("centreOnUser");
  ASSERT_TRUE(box && centre);
  EXPECT_EQ(box->accessibleName().toStdString(), panel.shelter + "\n" + panel.countdown + "\n" + panel.trend);
  for (QSize size : {QSize(336, 400), QSize(1256, 500)}) {
    map_.resize(size);
    model_.setUserLocation(GeoPoint{45, 7});
    EXPECT_FALSE(box->isHidden());
    EXPECT_FALSE(box->geometry().intersects(centre->geometry())) << size.width();
    EXPECT_TRUE(map_.rect().contains(box->geometry())) << size.width();
    const QImage image = render();
    const QColor shelter = image.pixelColor(box->geometry().center().x(), box->y() + 3);
    EXPECT_GT(shelter.red() - shelter.green(), 100) << "a red box";
    model_.setUserLocation(std::nullopt);  // the notice takes the top of the map
    EXPECT_GT(box->y(), centre->geometry().bottom()) << size.width();
  }
  // On a low map the trend gives way to the shelter advice, rather than running off the map; a
  // screen reader still hears it.
  map_.resize(260, 110);
  model_.setUserLocation(GeoPoint{45, 7});
  EXPECT_TRUE(map_.rect().contains(box->geometry()));
  EXPECT_NE(box->accessibleName().toStdString().find(panel.trend), std::string::npos);
  // Where it would hide much of a storm circle fitted to the map, each box keeps to one line (the
  // whole text its tooltip); a click, or Space where it has the focus, opens it whole and the next
  // shortens it again.
  map_.resize(336, 322);
  map_.placePositionControls();  // a hidden widget hears of its new size only when shown
  const int shortHeight = box->height();
  EXPECT_LT(shortHeight, 70);
  EXPECT_EQ(box->toolTip(), box->accessibleName());
  EXPECT_EQ(box->focusPolicy(), Qt::StrongFocus);
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(10, 5));
  EXPECT_GT(box->height(), shortHeight + 20);
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(10, 5));
  EXPECT_EQ(box->height(), shortHeight);
  QTest::keyClick(box, Qt::Key_Space);
  EXPECT_GT(box->height(), shortHeight + 20);
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(box->height(), shortHeight);
  layer.setStormPanel({});
  EXPECT_TRUE(box->isHidden());
}

// The words over the map say how old, how rough or whose the position is, then what keeps the
// location service from giving one; they move on with the clock.
TEST(MapNotice, SaysAgeAccuracyAndOwnerThenTheProblem) {
  MapWidget map;
  MapModel& model = map.model();
  const auto clock = std::make_shared<ManualClock>(1.75e9);
  model.setClock(clock, clock);
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
  model.setUserLocation(GeoPoint{47, 8}, 25000, PositionSource::System);
  EXPECT_EQ(map.noticeText(), "Approximate position, \u00b116 mi");
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  model.setUserLocation(GeoPoint{47, 8}, 1500, PositionSource::System);
  EXPECT_EQ(map.noticeText(), "Approximate position, \u00b11,5 km") << "untranslated here; the number is German";
  QLocale::setDefault(QLocale::c());
  model.setUserLocation(GeoPoint{47, 8}, 5, PositionSource::System);
  EXPECT_EQ(map.noticeText(), "");
  clock->advance(3 * 3600 + 59 * 60);
  EXPECT_EQ(map.noticeText(), "Last known position, 3 h ago");
  model.setPositionProblem(PositionProblem::NoFix);
  clock->advance(45 * 3600);
  EXPECT_EQ(map.noticeText(),
            "Last known position, 2 d ago\nNo fix from the location service for some minutes. Go where the sky is "
            "open, or right-click or hold the map: \u201cI am here\u201d.");
  model.setUserLocationByHand(GeoPoint{47, 8});
  EXPECT_TRUE(map.noticeText().startsWith("Set by you\nNo fix")) << map.noticeText().toStdString();
}

}  // namespace
}  // namespace storm::qt
