#pragma once

#include <QObject>
#include <QPointer>
#include <map>
#include <memory>
#include <optional>

#include "map/Coordinates.h"
#include "map/UserPosition.h"
#include "system/Clock.h"
#include "system/Logger.h"

// Tells a map where the user is: a fixed position, an NMEA log replayed in its own time, gpsd, or
// the desktop's location service; gpsd and the location service may run side by side, and then
// the fix of smaller accuracy among those younger than kFreshSeconds is shown, with a note that
// names its source. What keeps the shown source from giving fixes (a service missing, off or
// refusing, a receiver without a fix, a log at its end, a source gone quiet) goes to the map as a
// problem, and to the log as one line each time it changes; nothing here stops the app.

namespace storm::qt {

class LiveSource;
class MapModel;

class PositionFeed : public QObject {
  Q_OBJECT

 public:
  struct Services {
    std::shared_ptr<Logger> logger;
    std::shared_ptr<const Clock> clock;
    std::shared_ptr<TimerScheduler> timers;
  };
  // The location service, when it has given no fix kFirstFixSeconds after it started, or none
  // for kFixStaleSeconds since its last, is reported as giving none; a receiver (an NMEA log,
  // gpsd) after kStallSeconds.
  static constexpr double kFirstFixSeconds = 120;
  static constexpr double kStallSeconds = 5;
  static constexpr double kFreshSeconds = 10;

  // Lives as long as `map` (it is the feed's parent).
  PositionFeed(MapModel* map, Services services);
  ~PositionFeed() override;

  // Each of these ends the sources that cannot run beside it: a fixed position and an NMEA log
  // end all others; gpsd and the location service run side by side.
  void useFixedPosition(GeoPoint position);
  void useNmeaLog(const QString& path);
  // The desktop's location service (GeoClue 2 on the system bus), as `desktopId`.
  void useSystemSource(const QString& desktopId);
  // gpsd at "HOST:PORT" (empty: localhost:2947).
  void useGpsd(const QString& where);
  // Follows `source` (the feed becomes its parent) as the source of `kind`, and starts it.
  void addSource(LiveSource* source, PositionSource kind);

 private:
  struct Live {
    QPointer<LiveSource> source;
    std::optional<PositionReport> fix;  // timed by the clock's wall time
    PositionProblem problem = PositionProblem::None;
    std::shared_ptr<Timer> silence;
    bool complained = false;  // one line for its silence until its next fix
  };
  void drop(PositionSource kind);
  void fixed(PositionSource kind, double latitude, double longitude, double accuracy);
  void setProblem(PositionSource kind, PositionProblem problem, const QString& detail);
  // The source whose fix is freshest and finest, if any has one fresh enough.
  std::optional<PositionSource> best() const;
  void show(PositionSource kind);
  void watchForSilence(PositionSource kind);
  void log(const QString& what);
  double now() const;

  QPointer<MapModel> map_;
  Services services_;
  std::map<PositionSource, Live> live_;
  std::optional<PositionSource> shown_;  // whose fix the map shows
};

}  // namespace storm::qt
