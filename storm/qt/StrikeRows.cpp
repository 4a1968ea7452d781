#include "storm/qt/StrikeRows.h"

#include <QVariant>
#include <cmath>

namespace storm::qt {

namespace {

QString number(double value) { return QString::number(value, 'f', 3); }

// A column holds a number (SQLite keeps integers apart from reals) within [low, high].
QString numberIn(const char* column, double low, double high) {
  return QStringLiteral("(typeof(%1) IN ('integer','real') AND %1 BETWEEN %2 AND %3)")
      .arg(QLatin1String(column), number(low), number(high));
}

}  // namespace

QString strikeRowCondition(double now) {
  return numberIn("time", kEarliestStrike, now + kLatestStrikeAhead) + " AND " + numberIn("delay", 0, 86400) + " AND " +
         numberIn("km", 0, 1e5) + " AND " + numberIn("speed", 0, 10) +
         // Any accuracy: one that makes no sense reads as unknown.
         " AND typeof(accuracy) IN ('integer','real')" + " AND (latitude IS NULL OR " + numberIn("latitude", -90, 90) +
         ") AND (longitude IS NULL OR " + numberIn("longitude", -kFarthestLongitude, kFarthestLongitude) +
         ") AND (source IS NULL OR (typeof(source) = 'text' AND length(source) <= " + QString::number(kLongestSource) +
         "))";
}

QString strikeRowColumns() {
  // The longest source word has 7 letters: 8 characters of a longer text are enough to refuse it.
  return QStringLiteral(
             "time, delay, km, speed, latitude, longitude, accuracy, substr(source, 1, %1), "
             "CASE WHEN typeof(bearing_deg) IN ('integer','real') THEN bearing_deg END, "
             "CASE WHEN typeof(bearing_source) = 'text' THEN substr(bearing_source, 1, 8) END, "
             "CASE WHEN typeof(strike_lat) IN ('integer','real') THEN strike_lat END, "
             "CASE WHEN typeof(strike_lon) IN ('integer','real') THEN strike_lon END")
      .arg(kLongestSource);
}

Strike strikeFromRow(const QSqlQuery& q) {
  Strike s;
  s.time = q.value(0).toDouble();
  s.delay = q.value(1).toDouble();
  s.km = q.value(2).toDouble();
  s.speed = q.value(3).toDouble();
  if (!q.value(4).isNull() && !q.value(5).isNull()) {
    const GeoPoint at = onTheGlobe({q.value(4).toDouble(), q.value(5).toDouble()});
    s.position = StrikePosition{at.latitude, at.longitude, knownAccuracy(q.value(6).toDouble()),
                                q.value(7).toString().toStdString()};
  }
  auto number = [&q](int column) {
    const QVariant v = q.value(column);
    return v.isNull() ? std::nullopt : std::optional(v.toDouble());
  };
  s.bearing = saneBearing(number(8), q.value(9).toString().toStdString(), number(10), number(11));
  return s;
}

bool isSaneStrike(const Strike& s, double now) {
  auto in = [](double v, double low, double high) { return std::isfinite(v) && v >= low && v <= high; };
  if (!in(s.time, kEarliestStrike, now + kLatestStrikeAhead) || !in(s.delay, 0, 86400) || !in(s.km, 0, 1e5) ||
      !in(s.speed, 0, 10))
    return false;
  if (!s.position) return true;
  return in(s.position->latitude, -90, 90) && in(s.position->longitude, -kFarthestLongitude, kFarthestLongitude) &&
         s.position->source.size() <= static_cast<size_t>(kLongestSource);
}

std::optional<StrikeBearing> saneBearing(std::optional<double> degrees, std::string_view source,
                                         std::optional<double> latitude, std::optional<double> longitude) {
  const std::optional<BearingSource> how = bearingSourceNamed(source);
  if (!degrees || !how || !std::isfinite(*degrees) || *degrees < 0 || *degrees >= 360) return std::nullopt;
  StrikeBearing bearing;
  bearing.degrees = *degrees;
  bearing.source = *how;
  auto in = [](const std::optional<double>& v, double limit) { return v && std::isfinite(*v) && std::abs(*v) <= limit; };
  if (in(latitude, 90) && in(longitude, kFarthestLongitude))
    bearing.placed = onTheGlobe(GeoPoint{*latitude, *longitude});
  return bearing;
}

}  // namespace storm::qt
