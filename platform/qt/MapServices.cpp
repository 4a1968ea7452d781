#include "platform/qt/MapServices.h"

#include "platform/qt/MapWidget.h"
#include "platform/qt/PositionFeed.h"

namespace storm::qt {

void connectMapServices(MapWidget& map, const Options& options, const std::shared_ptr<Logger>& logger,
                        std::shared_ptr<WorkerPool> workers) {
  MapSources sources;
  if (!options.automation || !options.mapSources.isEmpty())
    sources = MapSources::load(options.mapSources, [&](const QString& why) {
      if (logger) logger->log(why.toStdString());
    });
  TileLoader::Settings settings = TileLoader::Settings::defaults();
  settings.workers = std::move(workers);
  map.setTileSources(sources, settings);

  auto* feed = new PositionFeed(&map, logger);
  if (options.location) feed->useFixedPosition(*options.location);
  else if (!options.nmeaFile.isEmpty()) feed->useNmeaLog(options.nmeaFile);
  else if (!options.automation) feed->useSystemSource();
}

}  // namespace storm::qt
