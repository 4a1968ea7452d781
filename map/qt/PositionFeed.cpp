#include "map/qt/PositionFeed.h"

#include <QFile>
#include <QGeoPositionInfo>
#include <QNmeaPositionInfoSource>
#include <cmath>

#include "map/qt/MapModel.h"
#include "system/qt/ResourceFile.h"

namespace storm::qt {

namespace {
// A day of fixes at ten a second is about 60 MiB of NMEA sentences.
constexpr qint64 kNmeaLogLimit = 256LL * 1024 * 1024;
// What one unit of horizontal dilution of precision is worth in metres for a typical GPS receiver;
// an NMEA log gives only the dilution.
constexpr double kUserEquivalentRangeError = 5.0;
}  // namespace

PositionFeed::PositionFeed(MapModel* map, std::shared_ptr<Logger> logger, int noFixMs)
    : QObject(map), map_(map), logger_(std::move(logger)) {
  // Some sources never say anything when they cannot work (no system service to ask, say).
  noFix_.setSingleShot(true);
  noFix_.setInterval(noFixMs);
  connect(&noFix_, &QTimer::timeout, this, [this] {
    if (!haveFix_) complain("Position: no fix yet; the map shows no user location");
  });
}

void PositionFeed::useFixedPosition(CLLocationCoordinate2D position) {
  if (map_) map_->setUserLocation(position);
}

void PositionFeed::useNmeaLog(const QString& path) {
  // A log is read as it is replayed: it must be a file that ends.
  QString why;
  if (!isReadableRegularFile(path, why, kNmeaLogLimit)) {
    complain("Position: cannot read the NMEA log " + path + ": " + why);
    return;
  }
  auto file = std::make_unique<QFile>(path);
  if (!file->open(QIODevice::ReadOnly)) {
    complain("Position: cannot read the NMEA log " + path + ": " + file->errorString());
    return;
  }
  // Replayed at the pace of the log's own time stamps.
  auto* source = new QNmeaPositionInfoSource(QNmeaPositionInfoSource::SimulationMode, this);
  source->setDevice(file.get());
  file.release()->setParent(source);
  source->setUserEquivalentRangeError(kUserEquivalentRangeError);
  useSource(source);
}

void PositionFeed::useSystemSource() {
  QGeoPositionInfoSource* source = QGeoPositionInfoSource::createDefaultSource(this);
  if (!source) {
    complain("Position: this system has no position source; the map shows no user location");
    return;
  }
  useSource(source);
}

void PositionFeed::useSource(QGeoPositionInfoSource* source) {
  source->setParent(this);
  connect(source, &QGeoPositionInfoSource::positionUpdated, this, &PositionFeed::positionUpdated);
  connect(source, &QGeoPositionInfoSource::errorOccurred, this, &PositionFeed::failed);
  source->startUpdates();
  noFix_.start();
}

void PositionFeed::positionUpdated(const QGeoPositionInfo& info) {
  const QGeoCoordinate c = info.coordinate();
  if (!info.isValid() || !c.isValid() || !map_) return;
  haveFix_ = true;
  complained_ = false;
  const double accuracy = info.hasAttribute(QGeoPositionInfo::HorizontalAccuracy)
                              ? info.attribute(QGeoPositionInfo::HorizontalAccuracy)
                              : 0;
  map_->setUserLocation(CLLocationCoordinate2D{c.latitude(), c.longitude()}, std::isfinite(accuracy) ? accuracy : 0);
}

void PositionFeed::failed(QGeoPositionInfoSource::Error error) {
  switch (error) {
    case QGeoPositionInfoSource::NoError: return;
    case QGeoPositionInfoSource::UpdateTimeoutError:
      // The last fix stays on the map; only a source that never had one is worth a line.
      if (!haveFix_) complain("Position: no fix yet; the map shows no user location");
      return;
    case QGeoPositionInfoSource::AccessError:
      complain("Position: access to the position was refused; the map shows no user location");
      break;
    case QGeoPositionInfoSource::ClosedError:
      complain("Position: the position source closed; the map shows no user location");
      break;
    default: complain("Position: the position source failed; the map shows no user location"); break;
  }
  haveFix_ = false;
  if (map_) map_->setUserLocation(std::nullopt);
}

void PositionFeed::complain(const QString& what) {
  if (complained_) return;
  complained_ = true;
  if (logger_) logger_->log(what.toStdString());
}

}  // namespace storm::qt
