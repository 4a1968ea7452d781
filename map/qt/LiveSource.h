#pragma once

#include <QObject>
#include <QString>

#include "map/UserPosition.h"

// A source that keeps giving fixes while it works: the desktop's location service, a replayed NMEA
// log, gpsd. It says each fix, and what keeps it from giving them. Main thread only.

namespace storm::qt {

class LiveSource : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;
  virtual void start() = 0;

 signals:
  // A fix: degrees, and the radius of its uncertainty in metres (0: unknown).
  void fixed(double latitude, double longitude, double accuracy);
  // Why the source gives no fixes now (`detail` says more, for the log); None once it does again.
  void problem(storm::PositionProblem problem, const QString& detail);
};

}  // namespace storm::qt
