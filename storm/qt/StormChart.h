#pragma once

#include <QFontMetrics>
#include <QPainter>
#include <QRectF>
#include <QWidget>
#include <optional>
#include <vector>

#include "storm/Strike.h"
#include "storm/Track.h"
#include "storm/Trend.h"

// A storm's distance against time: its strikes as points, the fitted trend with its 95 % band,
// the distance the storm's track gives from its last strike on with the point of its closest
// approach, the 10 km line, the half hours of shelter after each close strike shaded, and axes in the locale's
// units (km or miles, times of day). Drawn with the painter; it takes no input.

namespace storm::qt {

class StormChart : public QWidget {
  Q_OBJECT

 public:
  explicit StormChart(QWidget* parent = nullptr);

  // Shows `strikes` (oldest first), `trend` and `track` (fitted at the last of them), in miles if
  // `miles`.
  void show(std::vector<Strike> strikes, std::optional<Trend> trend, bool miles,
            std::optional<Track> track = std::nullopt);
  int points() const { return static_cast<int>(strikes_.size()); }
  bool hasTrendLine() const { return trend_.has_value(); }
  // The closest approach the chart shows: wall-clock time and km; nothing without a claimed track.
  std::optional<std::pair<double, double>> closest() const;

  QSize sizeHint() const override { return {320, 170}; }
  QSize minimumSizeHint() const override { return {120, 70}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // Where the chart draws: the plot's rectangle, its times and distances (in the shown unit), and
  // where a time and a distance in km fall in it.
  struct Frame {
    QRectF plot;
    double start = 0, end = 1, last = 0, top = 1, unit = 1;
    int left = 0;
    double x(double time) const { return plot.left() + (time - start) / (end - start) * plot.width(); }
    double y(double km) const { return plot.bottom() - km * unit / top * plot.height(); }
  };
  Frame frame(const QFontMetrics& metrics) const;
  void drawShelter(QPainter& p, const Frame& f) const;
  void drawTrend(QPainter& p, const Frame& f) const;
  void drawTrack(QPainter& p, const Frame& f) const;
  void drawAxes(QPainter& p, const Frame& f, const QFontMetrics& metrics) const;

  std::vector<Strike> strikes_;
  std::optional<Trend> trend_;
  std::optional<Track> track_;
  bool miles_ = false;
};

}  // namespace storm::qt
