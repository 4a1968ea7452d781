#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <cmath>

#include "support/AutomationClient.h"
#include "support/Sandbox.h"

// With every panel of a storm up (the call to shelter, the last strike's line, Undo, Show the
// storm and the question for the flash's direction) the map still shows the storm circle: a
// screenshot at a phone's, a low laptop's and a desktop's window size is read pixel by pixel for
// the circle's fill, its edge and the person's dot, where the map draws them.

namespace storm::e2e {
namespace {

// The map's day look without tiles: its plain ground and grid lines, the circle's red at a
// quarter over them and its black outline at a half, the person's blue dot.
const QColor kGround(0xe8, 0xe6, 0xe1), kGrid(0xcf, 0xcb, 0xc3), kDot(0x1a, 0x73, 0xe8);

QColor over(QColor under, QColor ink, double alpha) {
  auto mix = [&](int a, int b) { return static_cast<int>(std::lround(a * (1 - alpha) + b * alpha)); };
  return QColor(mix(under.red(), ink.red()), mix(under.green(), ink.green()), mix(under.blue(), ink.blue()));
}

bool near(QColor a, QColor b, int tolerance) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

bool isFill(QColor c) { return near(c, over(kGround, Qt::red, 0.25), 10) || near(c, over(kGrid, Qt::red, 0.25), 10); }
bool isGround(QColor c) { return near(c, kGround, 10) || near(c, kGrid, 10); }

struct Sight {
  double inside = 0;  // the share of the circle's inside that shows its fill
  int edges = 0;      // of the four sides (north, east, south, west), those where its edge shows
  bool dot = false;   // the person's dot shows
};

// Reads `shot` for the circle [x, y, radius] drawn within `map` (window pixels) and the dot at `user`.
Sight inSight(const QImage& shot, const QJsonArray& circle, const QJsonArray& map, const QJsonArray& user) {
  const double cx = circle[0].toDouble(), cy = circle[1].toDouble(), r = circle[2].toDouble();
  const QRect frame(map[0].toInt(), map[1].toInt(), map[2].toInt(), map[3].toInt());
  auto pixel = [&](double x, double y) -> std::optional<QColor> {
    const QPoint p(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
    if (!frame.contains(p)) return std::nullopt;
    return shot.pixelColor(p);
  };
  Sight sight;
  // The inside, two pixels clear of the outline.
  int all = 0, filled = 0;
  for (int y = static_cast<int>(cy - r); y <= cy + r; ++y)
    for (int x = static_cast<int>(cx - r); x <= cx + r; ++x) {
      if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) > r - 2) continue;
      ++all;
      const auto c = pixel(x + 0.5, y + 0.5);
      filled += c && isFill(*c);
    }
  sight.inside = all ? static_cast<double>(filled) / all : 0;
  // A side shows its edge where, along most of its quarter, the fill inside meets a dark line and
  // the ground (or the map's border) outside.
  for (int side = 0; side < 4; ++side) {
    int shown = 0, samples = 0;
    for (double a = side * 90 - 40; a <= side * 90 + 40; a += 4, ++samples) {
      const double dx = std::sin(a * M_PI / 180), dy = -std::cos(a * M_PI / 180);
      const auto in = pixel(cx + dx * (r - 4), cy + dy * (r - 4));
      const auto out = pixel(cx + dx * (r + 4), cy + dy * (r + 4));
      int darkest = 255;
      for (double d = -2; d <= 2; d += 0.5)
        if (const auto c = pixel(cx + dx * (r + d), cy + dy * (r + d))) darkest = std::min(darkest, c->value());
      shown += in && isFill(*in) && (!out || isGround(*out)) && darkest < in->value() - 20;
    }
    sight.edges += shown * 2 > samples;
  }
  for (int dy = -2; dy <= 2 && !sight.dot; ++dy)
    for (int dx = -2; dx <= 2 && !sight.dot; ++dx)
      if (const auto c = pixel(user[0].toDouble() + dx, user[1].toDouble() + dy)) sight.dot = near(*c, kDot, 12);
  return sight;
}

class MapInSight : public ::testing::TestWithParam<const char*> {};

TEST_P(MapInSight, EveryPanelOfAStormLeavesTheCircleItsEdgeAndThePersonInSight) {
  test::Sandbox home;
  QProcessEnvironment env = home.environment();
  env.insert("LANGUAGE", GetParam());
  env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home.path() + "/no-bus");
  AutomationClient app({"--manual-clock", "1700000000"}, env);
  ASSERT_TRUE(app.started());
  QTemporaryDir shots;
  app.ok("night off");
  app.ok("banner load");
  auto measure = [&app](double seconds) {
    app.ok("tap button");
    app.ok("advance " + QString::number(seconds));
    app.ok("tap button");
  };
  // Without a position a direction would place nothing: the map does not ask for one.
  measure(25);
  EXPECT_FALSE(app.state()["stormMap"].toObject()["asking"].toBool());
  app.ok("advance 60");
  app.ok("pin 47.3769 8.5417");
  // Close strikes (the call to shelter), a minute apart: the storm's line and its fit.
  for (double delay : {20.0, 18.0, 16.0}) {
    measure(delay);
    app.ok("advance 60");
  }
  for (const auto& [width, height] : std::vector<std::pair<int, int>>{{360, 640}, {800, 400}, {1280, 800}}) {
    app.ok(QString("resize %1 %2").arg(width).arg(height));
    measure(15);
    app.ok("advance 1");  // the map has glided onto the circle; the question and Undo are still up
    const QJsonObject s = app.state();
    const std::string where = QString("%1x%2 %3").arg(width).arg(height).arg(GetParam()).toStdString();
    const QJsonObject panel = s["stormMap"].toObject()["panel"].toObject();
    EXPECT_TRUE(s["stormMap"].toObject()["asking"].toBool()) << where;
    EXPECT_FALSE(panel["shelter"].isNull()) << where;
    EXPECT_TRUE(panel["undo"].toBool()) << where;
    EXPECT_TRUE(panel["showStorm"].toBool()) << where;
    EXPECT_FALSE(panel["age"].isNull()) << where;
    const QString path = shots.filePath(QString("map-%1x%2-%3.png").arg(width).arg(height).arg(GetParam()));
    app.ok("screenshot " + path);
    const QJsonObject view = s["mapView"].toObject();
    const Sight sight = inSight(QImage(path), view["circlePixels"].toArray()[0].toArray(),
                                s["map"].toObject()["frame"].toArray(), view["userPixel"].toArray());
    std::printf("[ figure ] %s: %.1f %% of the circle's inside, %d sides of its edge, dot %s\n", where.c_str(),
                100 * sight.inside, sight.edges, sight.dot ? "shown" : "hidden");
    EXPECT_GE(sight.inside, 0.70) << where;
    EXPECT_GE(sight.edges, 2) << where;
    EXPECT_TRUE(sight.dot) << where;
    // Nothing that does not fit is left out unsaid: what the window cannot show is named.
    const QJsonObject fit = s["fit"].toObject();
    EXPECT_TRUE(fit["cut"].toArray().isEmpty()) << where << QJsonDocument(fit).toJson().toStdString();
  }
  // The smallest window: the map's controls its column has no room for are named, none is cut.
  app.ok("resize 240 360");
  measure(14);
  const QJsonObject fit = app.state()["fit"].toObject();
  EXPECT_TRUE(fit["cut"].toArray().isEmpty()) << QJsonDocument(fit).toJson().toStdString();
  EXPECT_TRUE(fit["hidden"].toArray().contains("nightControl")) << QJsonDocument(fit).toJson().toStdString();
  if (qEnvironmentVariableIsSet("STORM_KEEP_SHOTS")) {  // to look at them
    shots.setAutoRemove(false);
    std::printf("%s\n", qPrintable(shots.path()));
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, MapInSight, ::testing::Values("en", "de"));

}  // namespace
}  // namespace storm::e2e
