#pragma once

#include <QImage>
#include <QMarginsF>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <vector>

class QColor;
class QFont;
class QFontMetricsF;
class QPainter;

// What the map draws over its tiles and overlays: the user's dot with its accuracy circle, the
// scale bar, the sources' credit and a notice. Each is drawn once into a picture at the density of the device
// painted on, and then copied for as long as what it shows stays the same: antialiased paths and
// text cost many times what copying their pixels does, and a pan moves them without changing them.

namespace storm::qt {

class MapDecorations {
 public:
  // The dot centred on `at`; the accuracy circle around it when that is larger than the dot and
  // smaller than twice the view. Blue for a current position, grey for one that is not (old, or
  // kept from before). While the map glides, `destinationMetresPerPixel` is the ground resolution
  // where it is going.
  void drawUserLocation(QPainter& painter, QPointF at, double accuracyMetres, double metresPerPixel, QSize view,
                        double dpr, bool current = true,
                        std::optional<double> destinationMetresPerPixel = std::nullopt);
  // In the top left corner: the longest round distances in metric and in imperial units that fit
  // in `longest` pixels, one bar each.
  void drawScaleBar(QPainter& painter, double metresPerPixel, double longest, const QFont& font, double dpr);
  // In the bottom right corner of the view, on one line: cut short with an ellipsis when it is
  // wider than `maxWidth`. Returns where it went (empty for no text).
  QRectF drawAttribution(QPainter& painter, const QString& text, QSize view, double maxWidth, const QFont& font,
                         double dpr);
  // The height of the credit's box.
  static double attributionHeight(const QFont& font);
  // The picture of a note in a dark box, as wide as its words need up to `maxWidth`: wrapped, or
  // on one line cut short with an ellipsis. Two pictures are kept, one of each kind.
  const QImage& mapNote(const QString& text, double maxWidth, bool oneLine, const QFont& font, double dpr);
  // A note in a dark box, wrapped within `room` and at its top.
  void drawNotice(QPainter& painter, const QString& text, QRect room, const QFont& font, double dpr);
  // The height of that box for `text` in a room `width` wide.
  static int noticeHeight(const QString& text, int width, const QFont& font);

 public:
  // Dark halos and boxes with light ink for the night look; every kept picture is drawn anew.
  void setNight(bool night);

 private:
  using PictureInputs = std::array<double, 4>;
  struct Picture {
    PictureInputs inputs{};
    QString text;
    QImage image;
  };

  // The picture in `cache` if it was drawn from the same inputs and text, else the one `make` draws.
  static const QImage& picture(Picture& cache, const PictureInputs& inputs, const QString& text,
                               const std::function<QImage()>& make);
  static QImage blankPicture(QSizeF size, double dpr);
  // The accuracy circle's radius in pixels, in half pixels; 0 where it is not drawn.
  static double accuracyRadius(double accuracyMetres, double metresPerPixel, QSize view);
  // The accuracy circle of `accuracy` pixels (none for 0), with the dot over it or without.
  const QImage& userPicture(Picture& cache, double accuracy, bool withDot, bool current, double dpr);
  // Where the picture of a scale bar label whose baseline starts at `at` goes, in device pixels:
  // with room for the halo.
  static QPoint labelCorner(QPointF at, const QFontMetricsF& metrics, double dpr);
  // The picture of a scale bar label, its text with a halo, the baseline starting at `at`, from
  // `corner` on (device pixels, the picture's own density 1).
  const QImage& haloLabel(const QString& text, const QFont& font, QPointF at, QPoint corner, double dpr);
  // `text` in `ink` within `padding` of a rounded box of `ground`.
  static QImage textBox(QSizeF size, QMarginsF padding, double radius, const QColor& ground, const QColor& ink,
                        const QFont& font, int flags, const QString& text, double dpr);

  Picture dot_, plainDot_, glideCircle_, scaleBar_, credit_, notice_, wrappedNote_, lineNote_;
  std::vector<Picture> labels_;  // the scale bar's, the latest last
  bool night_ = false;
  QColor halo(int alpha) const;
  QColor ink() const;
};

}  // namespace storm::qt
