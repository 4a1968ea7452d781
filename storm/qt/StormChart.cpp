#include "storm/qt/StormChart.h"

#include <QDateTime>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "measure/Measurement.h"
#include "storm/Shelter.h"
#include "system/qt/ScreenFit.h"

namespace storm::qt {

namespace {

const QColor kGround(0x1f, 0x29, 0x33);
const QColor kAxis(0x9a, 0xa5, 0xb1);
const QColor kInk(0xf5, 0xf7, 0xfa);
const QColor kPoint(0xfc, 0xd3, 0x4d);
const QColor kLine(0x7d, 0xd3, 0xfc);
const QColor kShelter(0xb9, 0x1c, 0x1c, 70);
const QColor kTen(0xf8, 0x71, 0x71);
const QColor kTrack(0xc4, 0xb5, 0xfd);
constexpr double kClosestShownMinutes = 60;

// A round step for an axis `span` long, to show about `ticks` of them.
double niceStep(double span, int ticks) {
  const double raw = span / std::max(1, ticks);
  const double power = std::pow(10, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (raw <= m * power) return m * power;
  return 10 * power;
}

}  // namespace

StormChart::StormChart(QWidget* parent) : QWidget(parent) {
  setObjectName("stormChart");
  setAccessibleName(tr("Distance of the storm's strikes over time"));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void StormChart::show(std::vector<Strike> strikes, std::optional<Trend> trend, bool miles,
                      std::optional<Track> track) {
  strikes_ = std::move(strikes);
  trend_ = trend;
  // Only a claimed motion has a closest approach worth drawing, and only one within the hour.
  track_ = track && track->closestKm && std::abs(*track->closestInMinutes) <= kClosestShownMinutes ? track
                                                                                                   : std::nullopt;
  miles_ = miles;
  update();
}

std::optional<std::pair<double, double>> StormChart::closest() const {
  if (!track_) return std::nullopt;
  return std::pair(track_->time + *track_->closestInMinutes * 60, *track_->closestKm);
}

StormChart::Frame StormChart::frame(const QFontMetrics& metrics) const {
  Frame f;
  f.unit = miles_ ? kMilesPerKilometre : 1.0;
  const double first = strikes_.front().time;
  f.last = strikes_.back().time;
  // At least ten minutes across, and room for the shelter after the last close strike.
  f.start = first - 60;
  f.end = std::max(f.last + 60, first + 600);
  if (const std::optional<std::pair<double, double>> nearest = closest()) {
    f.start = std::min(f.start, nearest->first - 300);
    f.end = std::max(f.end, nearest->first + 300);
  }
  f.top = kCloseKilometres * 1.2;
  for (const Strike& s : strikes_) f.top = std::max(f.top, s.km * 1.1);
  if (trend_) f.top = std::max(f.top, trend_->distanceAt(f.start, f.last) + 1);
  f.top *= f.unit;
  f.left = metrics.horizontalAdvance(QLocale().toString(std::ceil(f.top))) + 10;
  f.plot = QRectF(f.left, 6, width() - f.left - 8, height() - 6 - metrics.height() - 8);
  return f;
}

void StormChart::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(rect(), kGround);
  QFont small = font();
  setTextPixels(small, 11);
  p.setFont(small);
  const QFontMetrics metrics(small);
  if (strikes_.empty()) return;
  const Frame f = frame(metrics);
  if (f.plot.width() < 20 || f.plot.height() < 20) return;
  p.save();
  p.setClipRect(f.plot);
  drawShelter(p, f);
  if (trend_) drawTrend(p, f);
  if (track_) drawTrack(p, f);
  // The 10 km line.
  p.setPen(QPen(kTen, 1, Qt::DashLine));
  p.drawLine(QPointF(f.plot.left(), f.y(kCloseKilometres)), QPointF(f.plot.right(), f.y(kCloseKilometres)));
  p.restore();
  drawAxes(p, f, metrics);
  // The strikes.
  p.setPen(Qt::NoPen);
  p.setBrush(kPoint);
  for (const Strike& s : strikes_) p.drawEllipse(QPointF(f.x(s.time), f.y(s.km)), 3.5, 3.5);
}

// The half hour of shelter after each close strike's thunder, overlapping ones as one.
void StormChart::drawShelter(QPainter& p, const Frame& f) const {
  std::optional<std::pair<double, double>> shelter;
  auto shade = [&] {
    if (shelter)
      p.fillRect(QRectF(QPointF(f.x(shelter->first), f.plot.top()), QPointF(f.x(shelter->second), f.plot.bottom())),
                 kShelter);
  };
  for (const Strike& s : strikes_) {
    if (!isCloseStrike(s)) continue;
    if (shelter && s.thunderTime() <= shelter->second) {
      shelter->second = std::max(shelter->second, s.thunderTime() + kShelterSeconds);
      continue;
    }
    shade();
    shelter = {s.thunderTime(), s.thunderTime() + kShelterSeconds};
  }
  shade();
}

// The trend's band and line, over the strikes it was fitted to.
void StormChart::drawTrend(QPainter& p, const Frame& f) const {
  const double from = std::max(f.start, f.last - kTrendWindowSeconds), to = f.last;
  QPainterPath band;
  constexpr int kSteps = 24;
  for (int i = 0; i <= kSteps; ++i) {
    const double t = from + (to - from) * i / kSteps;
    const QPointF point(f.x(t), f.y(trend_->distanceAt(t, f.last) + 1.96 * trend_->distanceError(t)));
    i == 0 ? band.moveTo(point) : band.lineTo(point);
  }
  for (int i = kSteps; i >= 0; --i) {
    const double t = from + (to - from) * i / kSteps;
    band.lineTo(f.x(t), f.y(trend_->distanceAt(t, f.last) - 1.96 * trend_->distanceError(t)));
  }
  QColor fill = kLine;
  fill.setAlpha(50);
  p.fillPath(band, fill);
  p.setPen(QPen(kLine, 2));
  p.drawLine(QPointF(f.x(from), f.y(trend_->distanceAt(from, f.last))),
             QPointF(f.x(to), f.y(trend_->distanceAt(to, f.last))));
}

// The track's distance from the last strike to past its closest approach, and that point.
void StormChart::drawTrack(QPainter& p, const Frame& f) const {
  const std::pair<double, double> nearest = *closest();
  const double from = std::min(f.last, nearest.first), to = std::max(f.last, nearest.first) + 300;
  QPainterPath path;
  constexpr int kSteps = 48;
  for (int i = 0; i <= kSteps; ++i) {
    const double t = from + (to - from) * i / kSteps;
    const QPointF point(f.x(t), f.y(track_->distanceAt(t)));
    i == 0 ? path.moveTo(point) : path.lineTo(point);
  }
  p.strokePath(path, QPen(kTrack, 2, Qt::DashLine));
  p.setPen(QPen(kTrack, 2));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(f.x(nearest.first), f.y(nearest.second)), 5, 5);
}

// The axes, in the locale's units and times of day.
void StormChart::drawAxes(QPainter& p, const Frame& f, const QFontMetrics& metrics) const {
  const QLocale locale;
  p.setPen(kAxis);
  p.drawLine(f.plot.bottomLeft(), f.plot.bottomRight());
  p.drawLine(f.plot.bottomLeft(), f.plot.topLeft());
  const double step = niceStep(f.top, std::max(2, static_cast<int>(f.plot.height() / (metrics.height() * 2))));
  for (double v = 0; v <= f.top + 1e-9; v += step) {
    const double py = f.plot.bottom() - v / f.top * f.plot.height();
    p.drawText(QRectF(0, py - metrics.height() / 2.0, f.left - 6, metrics.height()), Qt::AlignRight | Qt::AlignVCenter,
               locale.toString(v, 'f', step < 1 ? 1 : 0));
  }
  p.drawText(QRectF(f.plot.left() + 4, f.plot.top(), 60, metrics.height()), Qt::AlignLeft,
             miles_ ? tr("mi") : tr("km"));
  const double minutes = niceStep((f.end - f.start) / 60, std::max(2, static_cast<int>(f.plot.width() / 70)));
  for (double t = std::ceil(f.start / 60 / minutes) * minutes * 60; t <= f.end; t += minutes * 60) {
    const QString label =
        locale.toString(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(t * 1000)).time(), QLocale::ShortFormat);
    p.drawText(QRectF(f.x(t) - 40, f.plot.bottom() + 3, 80, metrics.height()), Qt::AlignHCenter, label);
  }
}

}  // namespace storm::qt
