#include "map/qt/MapDecorations.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "map/qt/QuietFill.h"

namespace storm::qt {

namespace {

constexpr double kMetresPerFoot = 0.3048;
constexpr double kFeetPerMile = 5280;

const QColor kUserDot(0x1a, 0x73, 0xe8);
const QColor kOldUserDot(0x8a, 0x90, 0x99);
constexpr double kDot = 7;  // the dot's radius in pixels
constexpr int kNoticeFlags = Qt::TextWordWrap | Qt::AlignCenter;
// Room around a scale bar label's text for its halo, in pixels.
constexpr double kLabelPadding = 4;
// Enough for every label of every zoom, in both kinds of unit.
constexpr size_t kLabelsKept = 48;

// The largest of 1, 2 and 5 times a power of ten that is at most `x`.
double roundDown125(double x) {
  const double power = std::pow(10.0, std::floor(std::log10(x)));
  const double m = x / power;
  return (m >= 5 ? 5 : m >= 2 ? 2 : 1) * power;
}

QString number(double v) { return QString::number(v, 'g', 6); }

// The credit's, a little smaller than the map's.
QFont creditFont(const QFont& font) {
  QFont small = font;
  small.setPointSizeF(std::max(7.0, font.pointSizeF() * 0.8));
  return small;
}

}  // namespace

const QImage& MapDecorations::picture(Picture& cache, const PictureInputs& inputs, const QString& text,
                                      const std::function<QImage()>& make) {
  if (cache.image.isNull() || cache.inputs != inputs || cache.text != text) {
    cache.image = make();
    cache.inputs = inputs;
    cache.text = text;
  }
  return cache.image;
}

QImage MapDecorations::blankPicture(QSizeF size, double dpr) {
  QImage image(std::max(1, static_cast<int>(std::ceil(size.width() * dpr))),
               std::max(1, static_cast<int>(std::ceil(size.height() * dpr))), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(dpr);
  image.fill(Qt::transparent);
  return image;
}

QImage MapDecorations::textBox(QSizeF size, QMarginsF padding, double radius, const QColor& ground, const QColor& ink,
                               const QFont& font, int flags, const QString& text, double dpr) {
  QImage image = blankPicture(size, dpr);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(ground);
  p.drawRoundedRect(QRectF(QPointF(0, 0), size), radius, radius);
  p.setFont(font);
  p.setPen(ink);
  p.drawText(QRectF(QPointF(0, 0), size).marginsRemoved(padding), flags, text);
  return image;
}

double MapDecorations::accuracyRadius(double accuracyMetres, double metresPerPixel, QSize view) {
  if (!(accuracyMetres > 0) || !(metresPerPixel > 0)) return 0;
  const double r = std::round(accuracyMetres / metresPerPixel * 2) / 2;
  return r > kDot && r < 2 * std::max(view.width(), view.height()) ? r : 0;
}

const QImage& MapDecorations::userPicture(Picture& cache, double accuracy, bool withDot, bool current, double dpr) {
  const QColor ink = current ? kUserDot : kOldUserDot;
  return picture(cache, {accuracy, dpr, current ? 1.0 : 0.0}, {}, [&] {
    const double half = std::max(accuracy, kDot) + 3;
    QImage picture = blankPicture(QSizeF(2 * half, 2 * half), dpr);
    QPainter dp(&picture);
    dp.setRenderHint(QPainter::Antialiasing);
    const QPointF middle(half, half);
    if (accuracy > 0) {
      // The fill is laid on quietly; the outline, a pixel wide, the painter draws its own way.
      QPainterPath disc;
      disc.addEllipse(middle, accuracy, accuracy);
      QColor fill = ink, outline = ink;
      fill.setAlpha(40);
      outline.setAlpha(90);
      fillPathQuietly(dp, disc, fill);
      dp.setPen(QPen(outline, 1));
      dp.drawEllipse(middle, accuracy, accuracy);
    }
    if (withDot) {
      dp.setPen(QPen(Qt::white, 2.5));
      dp.setBrush(ink);
      dp.drawEllipse(middle, kDot, kDot);
    }
    return picture;
  });
}

void MapDecorations::drawUserLocation(QPainter& painter, QPointF at, double accuracyMetres, double metresPerPixel,
                                      QSize view, double dpr, bool current,
                                      std::optional<double> destinationMetresPerPixel) {
  auto drawCentred = [&](const QImage& image, double accuracy) {
    const double half = std::max(accuracy, kDot) + 3;
    painter.drawImage(QPointF(std::round(at.x() - half), std::round(at.y() - half)), image);
  };
  const double accuracy = accuracyRadius(accuracyMetres, metresPerPixel, view);
  if (!destinationMetresPerPixel) {
    drawCentred(userPicture(dot_, accuracy, true, current, dpr), accuracy);
    return;
  }
  // The accuracy circle changes size at every step of a glide: it is drawn once as it will be
  // where the glide ends and scaled on the way there, under the dot.
  const double there = accuracyRadius(accuracyMetres, *destinationMetresPerPixel, view);
  if (accuracy > 0 && there > 0) {
    const QImage& circle = userPicture(glideCircle_, there, false, current, dpr);
    const QSizeF size = circle.deviceIndependentSize() * (*destinationMetresPerPixel / metresPerPixel);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRectF(at - QPointF(size.width() / 2, size.height() / 2), size), circle);
    painter.restore();
  }
  drawCentred(userPicture(plainDot_, 0, true, current, dpr), 0);
}

namespace {

// The scale bars at most `longest` pixels long: a round length in metres or kilometres, one in feet
// or miles, each with its length in whole pixels (the bars are read off to a pixel anyway).
struct ScaleBars {
  QString metric;
  double metricPixels;
  QString imperial;
  double imperialPixels;
};

ScaleBars scaleBars(double metresPerPixel, double longest) {
  const double maxMetres = longest * metresPerPixel;
  const double metres = roundDown125(maxMetres);
  const double maxFeet = maxMetres / kMetresPerFoot;
  const bool miles = maxFeet >= kFeetPerMile;
  const double imperial = roundDown125(miles ? maxFeet / kFeetPerMile : maxFeet);
  const double imperialMetres = imperial * (miles ? kFeetPerMile : 1) * kMetresPerFoot;
  return {metres >= 1000 ? number(metres / 1000) + " km" : number(metres) + " m", std::round(metres / metresPerPixel),
          number(imperial) + (miles ? " mi" : " ft"), std::round(imperialMetres / metresPerPixel)};
}

}  // namespace

void MapDecorations::drawScaleBar(QPainter& painter, double metresPerPixel, double longest, const QFont& font,
                                  double dpr) {
  if (!(metresPerPixel > 0) || !std::isfinite(metresPerPixel)) return;
  const double pointSize = std::max(7.0, font.pointSizeF() * 0.85);
  const QImage& image = picture(scaleBar_, {metresPerPixel, longest, pointSize, dpr}, {}, [&] {
    const auto [metric, metricPixels, imperial, imperialPixels] = scaleBars(metresPerPixel, longest);
    const double length = std::max(metricPixels, imperialPixels);

    QFont small = font;
    small.setPointSizeF(pointSize);
    const QFontMetricsF metrics(small);
    const double textWidth = std::max(metrics.horizontalAdvance(metric), metrics.horizontalAdvance(imperial));
    // The labels keep a clear gap from the ticks' ends (and the ticks' halo) above and below the bar.
    const double tick = 5;
    const double gap = 4;
    QImage picture =
        blankPicture(QSizeF(std::max(length, textWidth) + 8, 2 * (metrics.height() + tick + gap) + 4), dpr);
    QPainter sp(&picture);
    sp.setRenderHint(QPainter::Antialiasing);
    const QPointF origin(2, metrics.height() + tick + gap + 2);  // left end of the bar
    QPainterPath bars;
    bars.moveTo(origin + QPointF(0, -tick));
    bars.lineTo(origin + QPointF(0, tick));
    bars.moveTo(origin + QPointF(metricPixels, -tick));
    bars.lineTo(origin + QPointF(metricPixels, 0));
    bars.moveTo(origin + QPointF(imperialPixels, 0));
    bars.lineTo(origin + QPointF(imperialPixels, tick));
    bars.moveTo(origin);
    bars.lineTo(origin + QPointF(length, 0));
    sp.strokePath(bars, QPen(halo(210), 3.5, Qt::SolidLine, Qt::RoundCap));
    sp.strokePath(bars, QPen(night_ ? ink() : QColor(0x30, 0x30, 0x30), 1.5, Qt::SolidLine, Qt::FlatCap));
    // Copied onto whole device pixels: the same pixels as drawing them here, but a zoom, which
    // changes the bars at every step, changes the labels only now and then.
    auto label = [&](QPointF at, const QString& text) {
      const QPoint corner = labelCorner(at, metrics, dpr);
      const QImage& image = haloLabel(text, small, at, corner, dpr);
      // Pixel for pixel, whatever the density: in device pixels, unscaled.
      sp.save();
      sp.setWorldTransform(QTransform::fromScale(1 / dpr, 1 / dpr));
      sp.drawImage(QRectF(corner, image.size()), image, QRectF(image.rect()));
      sp.restore();
    };
    label(QPointF(origin.x() + 2, origin.y() - tick - gap - metrics.descent()), metric);
    label(QPointF(origin.x() + 2, origin.y() + tick + gap + metrics.ascent()), imperial);
    return picture;
  });
  painter.drawImage(QPointF(6, 4), image);
}

QPoint MapDecorations::labelCorner(QPointF at, const QFontMetricsF& metrics, double dpr) {
  return {static_cast<int>(std::floor((at.x() - kLabelPadding) * dpr)),
          static_cast<int>(std::floor((at.y() - metrics.ascent() - kLabelPadding) * dpr))};
}

const QImage& MapDecorations::haloLabel(const QString& text, const QFont& font, QPointF at, QPoint corner, double dpr) {
  const PictureInputs inputs{font.pointSizeF(), dpr, at.x(), at.y()};
  auto kept = std::find_if(labels_.begin(), labels_.end(),
                           [&](const Picture& label) { return label.inputs == inputs && label.text == text; });
  if (kept != labels_.end()) return kept->image;
  // Only at another density or size of type do the oldest go.
  if (labels_.size() >= kLabelsKept) labels_.erase(labels_.begin());
  const QFontMetricsF metrics(font);
  const QSize size(static_cast<int>(std::ceil((at.x() + metrics.horizontalAdvance(text) + kLabelPadding) * dpr)),
                   static_cast<int>(std::ceil((at.y() + metrics.descent() + kLabelPadding) * dpr)));
  QImage label(size - QSize(corner.x(), corner.y()), QImage::Format_ARGB32_Premultiplied);
  label.fill(Qt::transparent);
  // Dark text with a light halo stays readable over streets and imagery alike. Drawn where it
  // would be on the scale bar's picture, its corner taken away in whole device pixels.
  QPainter lp(&label);
  lp.setWorldTransform(QTransform(dpr, 0, 0, dpr, -corner.x(), -corner.y()));
  lp.setRenderHint(QPainter::Antialiasing);
  QPainterPath path;
  path.addText(at, font, text);
  strokePathQuietly(lp, path, QPen(halo(220), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  lp.fillPath(path, ink());
  lp.end();
  labels_.push_back({inputs, text, std::move(label)});
  return labels_.back().image;
}

void MapDecorations::setNight(bool night) {
  if (night == night_) return;
  night_ = night;
  for (Picture* kept : {&dot_, &plainDot_, &glideCircle_, &scaleBar_, &credit_, &notice_, &wrappedNote_, &lineNote_})
    *kept = Picture{};
  labels_.clear();
}

QColor MapDecorations::halo(int alpha) const {
  return night_ ? QColor(31, 41, 51, alpha) : QColor(255, 255, 255, alpha);
}

QColor MapDecorations::ink() const { return night_ ? QColor(0xe4, 0xe7, 0xeb) : QColor(0x20, 0x20, 0x20); }

double MapDecorations::attributionHeight(const QFont& font) {
  return std::ceil(QFontMetricsF(creditFont(font)).height()) + 2;
}

QRectF MapDecorations::drawAttribution(QPainter& painter, const QString& text, QSize view, double maxWidth,
                                       const QFont& font, double dpr) {
  if (text.isEmpty()) return {};
  maxWidth = std::max(40.0, maxWidth);
  const QFont small = creditFont(font);
  const QImage& image = picture(credit_, {maxWidth, small.pointSizeF(), dpr}, text, [&] {
    // One line, so that the credit never climbs over the map: the box hugs the text, and a credit
    // too long for the map ends in an ellipsis (the map shows the whole of it as a tooltip).
    const QFontMetricsF metrics(small);
    const QString shown = metrics.elidedText(text, Qt::ElideRight, maxWidth);
    const double width = std::min(maxWidth, std::ceil(metrics.horizontalAdvance(shown)));
    return textBox(QSizeF(width + 6, attributionHeight(font)), QMarginsF(3, 1, 3, 1), 3,
                   night_ ? QColor(31, 41, 51, 190) : QColor(255, 255, 255, 190), ink(), small,
                   Qt::TextSingleLine | Qt::AlignRight | Qt::AlignVCenter, shown, dpr);
  });
  const QSizeF size = image.deviceIndependentSize();
  const QPointF at(view.width() - size.width() - 3, view.height() - size.height() - 3);
  painter.drawImage(at, image);
  return {at, size};
}

const QImage& MapDecorations::mapNote(const QString& text, double maxWidth, bool oneLine, const QFont& font,
                                      double dpr) {
  maxWidth = std::max(48.0, maxWidth);
  return picture(oneLine ? lineNote_ : wrappedNote_, {maxWidth, static_cast<double>(font.pixelSize()), dpr}, text, [&] {
    const QFontMetricsF metrics(font);
    const QString shown = oneLine ? metrics.elidedText(text, Qt::ElideRight, maxWidth - 24) : text;
    const int flags = (oneLine ? Qt::TextSingleLine : Qt::TextWordWrap) | Qt::AlignCenter;
    const QRectF box = metrics.boundingRect(QRectF(0, 0, maxWidth - 24, 1e4), flags, shown);
    return textBox(QSizeF(std::ceil(box.width()) + 24, std::ceil(box.height()) + 10), QMarginsF(12, 5, 12, 5), 8,
                   QColor(31, 41, 51, 215), QColor(0xf5, 0xf7, 0xfa), font, flags, shown, dpr);
  });
}

void MapDecorations::drawNotice(QPainter& painter, const QString& text, QRect room, const QFont& font, double dpr) {
  if (text.isEmpty() || room.width() < 24) return;
  const QImage& image = picture(
      notice_, {static_cast<double>(room.width()), font.pointSizeF(), static_cast<double>(font.pixelSize()), dpr}, text,
      [&] {
        return textBox(QSizeF(room.width(), noticeHeight(text, room.width(), font)), QMarginsF(8, 4, 8, 4), 6,
                       QColor(31, 41, 51, 215), QColor(0xf5, 0xf7, 0xfa), font, kNoticeFlags, text, dpr);
      });
  painter.drawImage(room.topLeft(), image);
}

int MapDecorations::noticeHeight(const QString& text, int width, const QFont& font) {
  return QFontMetrics(font).boundingRect(QRect(0, 0, width - 16, 1000), kNoticeFlags, text).height() + 8;
}

}  // namespace storm::qt
