#include <gtest/gtest.h>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

#include "map/qt/MapDecorations.h"
#include "map/qt/MapFrameCache.h"
#include "map/qt/MapOverlayPainter.h"
#include "map/qt/MapTilePainter.h"
#include "map/qt/QuietFill.h"

// The map's own ways of drawing for less: they must draw the very pixels the plain way does.

namespace storm::qt {
namespace {

QImage picture(QSize size, double dpr) {
  QImage image(size * dpr, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(dpr);
  image.fill(Qt::transparent);
  return image;
}

// A polygon of `corners` round `centre`, a little wider than tall.
QPainterPath polygon(QPointF centre, double radius, int corners) {
  QPolygonF points;
  for (int i = 0; i < corners; ++i) {
    const double a = 2 * M_PI * i / corners;
    points << centre + QPointF(radius * std::sin(a), -0.8 * radius * std::cos(a));
  }
  QPainterPath path;
  path.addPolygon(points);
  path.closeSubpath();
  return path;
}

TEST(QuietFill, FillsAndStrokesAsThePainterDoes) {
  const QColor colours[] = {QColor::fromRgbF(1, 0, 0, 0.25f), QColor(0x1a, 0x73, 0xe8, 40), QColor(10, 200, 90, 201),
                            QColor(0, 0, 0, 255)};
  int cases = 0;
  for (double dpr : {1.0, 1.25, 2.0}) {
    for (double radius : {3.3, 40.7, 151.2}) {
      const QSize size(static_cast<int>(2 * radius) + 20, static_cast<int>(2 * radius) + 20);
      // Something below to show through: thin rings across the shape.
      QImage below = picture(size, dpr);
      {
        QPainter p(&below);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(185, 28, 28, 170), 0));
        for (int i = 1; i <= 3; ++i)
          p.drawEllipse(QPointF(size.width() / 2.0, size.height() / 2.0), i * radius / 3, i * radius / 4);
      }
      const QPainterPath shape = polygon(QPointF(size.width() / 2.0 + 0.3, size.height() / 2.0 - 0.45), radius, 180);
      for (const QColor& colour : colours) {
        QImage plain = below.copy(), quiet = below.copy();
        {
          QPainter p(&plain);
          p.setRenderHint(QPainter::Antialiasing);
          p.fillPath(shape, colour);
        }
        {
          QPainter p(&quiet);
          p.setRenderHint(QPainter::Antialiasing);
          fillPathQuietly(p, shape, colour);
        }
        EXPECT_EQ(quiet, plain) << "density " << dpr << ", radius " << radius << ", "
                                << colour.name(QColor::HexArgb).toStdString();
        ++cases;
      }
    }
    // A light halo round the outline of text, as the scale bar's labels have.
    QFont font;
    font.setPointSizeF(8);
    QPainterPath text;
    text.addText(QPointF(4.5, 20.25), font, "200 m 500 ft");
    const QPen halo(QColor(255, 255, 255, 220), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    QImage plain = picture(QSize(120, 30), dpr), quiet = plain.copy();
    {
      QPainter p(&plain);
      p.setRenderHint(QPainter::Antialiasing);
      p.strokePath(text, halo);
    }
    {
      QPainter p(&quiet);
      p.setRenderHint(QPainter::Antialiasing);
      strokePathQuietly(p, text, halo);
    }
    EXPECT_EQ(quiet, plain) << "density " << dpr;
  }
  EXPECT_EQ(cases, 36);
}

// The decorations keep pictures (the scale bar's labels, the dot with its accuracy circle) from one
// frame for the next: after other zooms and a glide they still draw what they draw at first.
TEST(MapDecorations, DrawTheSameAfterOtherZoomsAndAGlide) {
  QFont font;
  font.setPointSizeF(9);
  const QSize view(360, 640);
  MapDecorations used;  // moved from one screen to another on the way
  for (double dpr : {1.0, 1.25}) {
    auto draw = [&](MapDecorations& decorations, double metresPerPixel, std::optional<double> destination = {}) {
      QImage image = picture(QSize(240, 240), dpr);
      QPainter p(&image);
      decorations.drawScaleBar(p, metresPerPixel, 110, font, dpr);
      decorations.drawUserLocation(p, QPointF(120.4, 140.6), 400, metresPerPixel, view, dpr, true, destination);
      return image;
    };
    MapDecorations fresh;
    const QImage first = draw(fresh, 9.7);
    EXPECT_EQ(draw(used, 9.7), first) << "density " << dpr;
    for (double m = 40; m > 1; m *= 0.8) draw(used, m, 2.0);
    for (double m = 1; m < 40; m *= 1.3) draw(used, m);
    EXPECT_EQ(draw(used, 9.7), first) << "density " << dpr;
  }
}

// A map at rest is repainted by copying a picture of itself. Moved by whole pixels, on a whole zoom
// or between two, with the world's end in view or not, at either density, the copy is the frame
// drawn afresh; a move by part of a pixel, and a map whose edges fall half way between pixels, are
// drawn.
TEST(MapFrameCache, ACopiedFrameIsTheFrameDrawnAfresh) {
  struct Case {
    double dpr;
    geo::Camera camera;
    QSize view;
    bool copies;
  };
  for (const Case& c : {Case{1, {{45, 7}, 11.37}, {360, 640}, true}, Case{2, {{45, 7}, 11.37}, {360, 640}, true},
                        Case{1, {{45, 7.3}, 1}, {360, 640}, true}, Case{2, {{-30, 100}, 4}, {357, 500}, true},
                        Case{1, {{0, 0}, 3}, {361, 640}, false}}) {
    SCOPED_TRACE(testing::Message() << "zoom " << c.camera.zoom << ", density " << c.dpr);
    MapModel model;
    model.setViewport({[&] { return c.view; }, [] { return false; }});
    model.setCamera(c.camera, false);
    model.addCircle(c.camera.center, 1e7 / std::exp2(c.camera.zoom), [] {
      return MapCircleStyle{QColor::fromRgbF(0, 0, 0, 0.5f), QColor::fromRgbF(1, 0, 0, 0.25f), 0};
    });
    MapTilePainter tiles;  // no tile sources: the placeholder grid, which shows where every tile goes
    MapOverlayPainter overlays;
    int drawn = 0;
    const MapFrameCache::Draw draw = [&](QPainter& p, const QRect& area) {
      ++drawn;
      tiles.paint(p, model, c.dpr, area);
      p.setRenderHint(QPainter::Antialiasing);
      overlays.paint(p, model, c.dpr, area);
    };
    auto frame = [&](MapFrameCache& cache) {
      QImage image = picture(c.view, c.dpr);
      QPainter p(&image);
      model.styleCircles();  // as the widget does before each frame
      cache.paint(p, model, c.dpr, draw);
      return image;
    };
    auto afresh = [&] {
      MapFrameCache first;  // draws its first frame
      return frame(first);
    };
    MapFrameCache cache;
    frame(cache);
    frame(cache);
    for (QPointF step : {QPointF(1, 0), QPointF(-7, 3), QPointF(40, -60), QPointF(0, 0)}) {
      model.panBy(step);
      drawn = 0;
      const QImage copied = frame(cache);
      EXPECT_EQ(drawn, c.copies ? 0 : 1) << step.x() << "," << step.y();
      EXPECT_EQ(copied, afresh()) << step.x() << "," << step.y();
    }
    model.panBy({0.5, 0});
    drawn = 0;
    frame(cache);
    EXPECT_EQ(drawn, 1);
  }
}

}  // namespace
}  // namespace storm::qt
