#pragma once

#include <QGeoPositionInfoSource>
#include <QObject>
#include <QPointer>
#include <memory>

#include "map/Coordinates.h"
#include "map/UserPosition.h"
#include "system/Clock.h"
#include "system/Logger.h"

class QGeoPositionInfo;

// Tells a map where the user is: a fixed position, an NMEA log replayed in its own time, or the
// desktop's location service. What keeps a source from giving fixes (a service missing, off or
// refusing, or a source that has gone quiet) goes to the map as a problem, and to the log as one
// line each time it changes; nothing here stops the app.

namespace storm::qt {

class MapModel;

class PositionFeed : public QObject {
  Q_OBJECT

 public:
  struct Services {
    std::shared_ptr<Logger> logger;
    std::shared_ptr<const Clock> clock;
    std::shared_ptr<TimerScheduler> timers;
  };
  // A live source that has given no fix kFirstFixSeconds after it started, or none for
  // kFixStaleSeconds since its last, is reported as giving none.
  static constexpr double kFirstFixSeconds = 120;

  // Lives as long as `map` (it is the feed's parent).
  PositionFeed(MapModel* map, Services services);
  ~PositionFeed() override;

  void useFixedPosition(GeoPoint position);
  void useNmeaLog(const QString& path);
  // The desktop's location service (GeoClue 2 on the system bus), as `desktopId`.
  void useSystemSource(const QString& desktopId);
  // Follows `source` (the feed becomes its parent) and starts its updates; its fixes count as
  // coming from `kind`.
  void useSource(QGeoPositionInfoSource* source, PositionSource kind = PositionSource::Nmea);

 private:
  void replaceSource(QObject* source, PositionSource kind);
  void positionUpdated(const QGeoPositionInfo& info);
  void fixed(double latitude, double longitude, double accuracy);
  void failed(QGeoPositionInfoSource::Error error);
  void setProblem(PositionProblem problem, const QString& detail);
  void watchForSilence(double seconds);
  // Logs `what` once until the next fix.
  void complain(const QString& what);
  void log(const QString& what);

  QPointer<MapModel> map_;
  Services services_;
  QPointer<QObject> source_;
  PositionSource kind_ = PositionSource::Fixed;
  std::shared_ptr<Timer> silence_;
  bool haveFix_ = false;
  bool complained_ = false;  // one line for a Qt source's failures until its next fix
  PositionProblem problem_ = PositionProblem::None;
};

}  // namespace storm::qt
