#include "storm/qt/StrikeCsv.h"

#include <QDateTime>
#include <charconv>
#include <cmath>

#include "measure/Measurement.h"
#include "storm/Storms.h"

namespace storm::qt {

namespace {

std::string fixed(double value, int decimals) {
  char text[64];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return ec == std::errc{} ? std::string(text, end) : std::string();
}

}  // namespace

std::string csvText(std::string_view text) {
  std::string out = "\"";
  // A spreadsheet runs a cell that starts like a formula; an apostrophe first makes it plain text.
  if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos) out += '\'';
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

const char* StrikeCsv::header() {
  return "time,utc,delay_s,distance_km,speed_km_s,latitude,longitude,accuracy_m,distance_mi,storm,position_source,"
         "bearing_deg,bearing_source,strike_lat,strike_lon\n";
}

std::string StrikeCsv::line(const Strike& s) {
  if (!last_ || s.time - *last_ > kStormGapSeconds) ++storm_;
  last_ = s.time;
  const QString utc = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(s.time * 1000)), Qt::UTC)
                          .toString(Qt::ISODateWithMs);
  std::string out = fixed(s.time, 3) + "," + csvText(utc.toStdString()) + "," + fixed(s.delay, 3) + "," +
                    fixed(s.km, 3) + "," + fixed(s.speed, 6) + ",";
  if (s.position)
    // An accuracy the source did not give is left empty: 0 would read as an exact position.
    out += fixed(s.position->latitude, 6) + "," + fixed(s.position->longitude, 6) + "," +
           (s.position->accuracy > 0 ? fixed(s.position->accuracy, 0) : std::string());
  else
    out += ",,0";
  // A source comes from outside (a receiver's or a service's name): quoted like every text.
  out += "," + fixed(s.km * kMilesPerKilometre, 3) + "," + std::to_string(storm_) + "," +
         (s.position && !s.position->source.empty() ? csvText(s.position->source.str()) : std::string()) + ",";
  if (s.bearing) {
    out += fixed(s.bearing->degrees, 6) + "," + csvText(bearingSourceName(s.bearing->source)) + ",";
    if (s.bearing->placed)
      out += fixed(s.bearing->placed->latitude, 6) + "," + fixed(s.bearing->placed->longitude, 6);
    else
      out += ",";
  } else {
    out += ",,,";
  }
  return out + "\n";
}

std::string strikeNumberText(double value, bool fromFloat) {
  char text[512];
  const auto narrow = static_cast<float>(value);
  const auto [end, ec] = fromFloat && static_cast<double>(narrow) == value
                             ? std::to_chars(text, text + sizeof text, narrow, std::chars_format::fixed)
                             : std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
  return ec == std::errc{} ? std::string(text, end) : std::string("0");
}

QString defaultExportName(double now) {
  const QDate day = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::floor(now)) * 1000).date();
  return "storm-distance-strikes-" + day.toString(Qt::ISODate) + ".csv";
}

}  // namespace storm::qt
