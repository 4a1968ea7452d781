#pragma once

#include <memory>

#include "system/Clock.h"
#include "system/Logger.h"
#include "system/qt/Options.h"
#include "system/qt/WorkerPool.h"

// Connects a map on screen to the world: its tile sources and the user's position, as the options
// ask for them.

namespace storm::qt {

class MapModel;

// Tiles: the file given by --map-sources, else the built-in sources; in automation mode only
// those of a --map-sources file that reads and parses, else none at all, so that test runs never
// reach a public tile server. Position:
// --location, else --nmea, else the desktop's location service (outside automation mode) and gpsd
// (with --gpsd), side by side. Tiles are
// read and decoded on `workers`, and dated and retried by `clock`; positions are dated by `clock`,
// and sources asked again on `timers`.
void connectMapServices(MapModel& map, const Options& options, const std::shared_ptr<Logger>& logger,
                        std::shared_ptr<WorkerPool> workers, std::shared_ptr<const Clock> clock,
                        std::shared_ptr<TimerScheduler> timers);

}  // namespace storm::qt
