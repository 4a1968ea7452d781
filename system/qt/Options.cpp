#include "system/qt/Options.h"

#include <QCommandLineParser>
#include <cmath>

#include "system/qt/QtLogger.h"

namespace storm::qt {

namespace {
// About 31 million years: beyond it a double no longer holds the millisecond.
constexpr double kLatestManualClock = 1e15;
}  // namespace

std::optional<Options> parseOptions(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription("How far away is the thunderstorm?");
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addOption({"automation", "Read commands on stdin and answer them on stdout."});
  parser.addOption({"manual-clock", "Start the clocks at EPOCH; they move only when told.", "EPOCH"});
  parser.addOption({"info", "Use FILE as the application's information dictionary.", "FILE"});
  parser.addOption({"map-sources", "Use FILE as the map's tile sources.", "FILE"});
  parser.addOption({"nmea", "Replay the NMEA log FILE as the user's position.", "FILE"});
  parser.addOption({"gpsd", "Take the user's position from gpsd at HOST:PORT (localhost:2947 when not given).",
                    "HOST:PORT"});
  parser.addOption({"location", "Put the user at LAT,LON.", "LAT,LON"});
  parser.addOption({"house-ads", "Use FILE as the list of house advertisements.", "FILE"});
  // --gpsd may stand without its value.
  QStringList given = arguments;
  for (int i = 1; i < given.size(); ++i)
    if (given[i] == "--gpsd" && (i + 1 == given.size() || given[i + 1].startsWith('-'))) given[i] = "--gpsd=";
  parser.process(given);

  Options options;
  options.automation = parser.isSet("automation");
  if (parser.isSet("manual-clock")) {
    bool ok = false;
    const double epoch = parser.value("manual-clock").toDouble(&ok);
    if (!ok || !std::isfinite(epoch) || std::abs(epoch) > kLatestManualClock) {
      qCWarning(lcStorm, "--manual-clock needs seconds since 1970 (at most 1e15 either way), not '%s'",
                qPrintable(parser.value("manual-clock")));
      return std::nullopt;
    }
    options.manualClock = epoch;
  }
  options.infoFile = parser.value("info");
  options.mapSources = parser.value("map-sources");
  options.nmeaFile = parser.value("nmea");
  options.houseAds = parser.value("house-ads");
  if (parser.isSet("gpsd")) options.gpsd = parser.value("gpsd");
  if (parser.isSet("location")) {
    const QStringList parts = parser.value("location").split(',');
    bool okLat = false, okLon = false;
    const double lat = parts.size() == 2 ? parts[0].trimmed().toDouble(&okLat) : 0;
    const double lon = parts.size() == 2 ? parts[1].trimmed().toDouble(&okLon) : 0;
    // NaN compares false with everything, so the ranges are asked the way round that refuses it.
    if (!okLat || !okLon || !(std::abs(lat) <= 90) || !(std::abs(lon) <= 180)) {
      qCWarning(lcStorm, "--location needs LAT,LON in degrees, not '%s'", qPrintable(parser.value("location")));
      return std::nullopt;
    }
    options.location = std::pair{lat, lon};
  }
  return options;
}

}  // namespace storm::qt
