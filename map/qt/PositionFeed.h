#pragma once

#include <QGeoPositionInfoSource>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

#include "map/Coordinates.h"
#include "system/Logger.h"

class QGeoPositionInfo;

// Tells a map where the user is: a fixed position, an NMEA log replayed in its own time, or the
// system's position service. A source that is refused, has no fix yet or fails leaves the map
// without a user location and says so in one log line; nothing here stops the app.

namespace storm::qt {

class MapModel;

class PositionFeed : public QObject {
 public:
  // Lives as long as `map` (it is the feed's parent). A source that has given no fix `noFixMs` after
  // it started is reported as having none yet.
  PositionFeed(MapModel* map, std::shared_ptr<Logger> logger, int noFixMs = 30000);

  void useFixedPosition(CLLocationCoordinate2D position);
  void useNmeaLog(const QString& path);
  void useSystemSource();
  // Follows `source` (the feed becomes its parent) and starts its updates.
  void useSource(QGeoPositionInfoSource* source);

 private:
  void positionUpdated(const QGeoPositionInfo& info);
  void failed(QGeoPositionInfoSource::Error error);
  void complain(const QString& what);

  QPointer<MapModel> map_;
  std::shared_ptr<Logger> logger_;
  QTimer noFix_;
  bool haveFix_ = false;
  bool complained_ = false;  // one line until the next fix, however often the source fails
};

}  // namespace storm::qt
