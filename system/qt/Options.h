#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include <utility>

// The command-line options of the application.

namespace storm::qt {

struct Options {
  bool automation = false;
  std::optional<double> manualClock;               // --manual-clock EPOCH
  QString infoFile;                                // --info FILE
  QString mapSources;                              // --map-sources FILE
  QString nmeaFile;                                // --nmea FILE
  QString houseAds;                                // --house-ads FILE
  std::optional<QString> gpsd;                     // --gpsd [HOST:PORT]: empty for the default
  std::optional<std::pair<double, double>> location;  // --location LAT,LON: latitude, longitude
};

// The options in `arguments` (the program's name first). --help and --version print and exit; a
// bad value is reported in one line and gives nothing.
std::optional<Options> parseOptions(const QStringList& arguments);

}  // namespace storm::qt
