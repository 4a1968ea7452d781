#include "map/qt/MapServices.h"

#include "BuildConfig.h"
#include "map/qt/MapModel.h"
#include "map/qt/PositionFeed.h"
#include "system/qt/ResourceFile.h"

namespace storm::qt {

namespace {

// In automation mode the map may reach no host but those of a --map-sources file: a file that
// cannot be read or parsed leaves it without tiles rather than with the built-in public sources.
MapSources automationSources(const QString& file, const std::shared_ptr<Logger>& logger) {
  if (file.isEmpty()) return {};
  QString error;
  const std::optional<QByteArray> bytes = readResourceFile(file, error);
  std::optional<MapSources> sources = bytes ? MapSources::parse(*bytes, error) : std::nullopt;
  if (sources) return *sources;
  if (logger) logger->log(("map sources " + file + ": " + error + "; no map tiles in automation mode").toStdString());
  return {};
}

}  // namespace

void connectMapServices(MapModel& map, const Options& options, const std::shared_ptr<Logger>& logger,
                        std::shared_ptr<WorkerPool> workers, std::shared_ptr<const Clock> clock,
                        std::shared_ptr<TimerScheduler> timers) {
  const MapSources sources = options.automation ? automationSources(options.mapSources, logger)
                                                : MapSources::load(options.mapSources, [&](const QString& why) {
                                                    if (logger) logger->log(why.toStdString());
                                                  });
  TileLoader::Settings settings = TileLoader::Settings::defaults();
  settings.workers = std::move(workers);
  settings.clock = clock;
  map.setTileSources(sources, settings);
  map.setClock(clock, timers);

  auto* feed = new PositionFeed(&map, {logger, std::move(clock), std::move(timers)});
  if (options.location)
    feed->useFixedPosition({options.location->first, options.location->second});
  else if (!options.nmeaFile.isEmpty())
    feed->useNmeaLog(options.nmeaFile);
  else {
    // gpsd, where asked for, beside the desktop's location service.
    if (!options.automation) feed->useSystemSource(build::kApplicationId);
    if (options.gpsd) feed->useGpsd(*options.gpsd);
  }
}

}  // namespace storm::qt
