#include "map/qt/PositionFeed.h"

#include <QFile>
#include <QGeoPositionInfo>
#include <QNmeaPositionInfoSource>
#include <cmath>

#include "map/PositionState.h"
#include "map/qt/GeoClueSource.h"
#include "map/qt/MapModel.h"
#include "system/qt/ResourceFile.h"

namespace storm::qt {

namespace {
// A day of fixes at ten a second is about 60 MiB of NMEA sentences.
constexpr qint64 kNmeaLogLimit = 256LL * 1024 * 1024;
// What one unit of horizontal dilution of precision is worth in metres for a typical GPS receiver;
// an NMEA log gives only the dilution.
constexpr double kUserEquivalentRangeError = 5.0;

QString minutes(double seconds) { return QString::number(std::lround(seconds / 60)); }
}  // namespace

PositionFeed::PositionFeed(MapModel* map, Services services)
    : QObject(map), map_(map), services_(std::move(services)) {}

PositionFeed::~PositionFeed() {
  if (silence_) silence_->invalidate();
}

void PositionFeed::useFixedPosition(GeoPoint position) {
  replaceSource(nullptr, PositionSource::Fixed);
  if (map_) map_->setUserLocation(position, 0, PositionSource::Fixed);
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
  useSource(source, PositionSource::Nmea);
}

void PositionFeed::useSystemSource(const QString& desktopId) {
  auto* source = new GeoClueSource({desktopId, services_.clock, services_.timers}, this);
  connect(source, &GeoClueSource::fixed, this, &PositionFeed::fixed);
  connect(source, &GeoClueSource::problem, this, &PositionFeed::setProblem);
  replaceSource(source, PositionSource::System);
  source->start();
}

void PositionFeed::useSource(QGeoPositionInfoSource* source, PositionSource kind) {
  connect(source, &QGeoPositionInfoSource::positionUpdated, this, &PositionFeed::positionUpdated);
  connect(source, &QGeoPositionInfoSource::errorOccurred, this, &PositionFeed::failed);
  replaceSource(source, kind);
  source->startUpdates();
}

void PositionFeed::replaceSource(QObject* source, PositionSource kind) {
  if (source_ && source_ != source) delete source_;
  source_ = source;
  if (source) source->setParent(this);
  kind_ = kind;
  haveFix_ = false;
  complained_ = false;
  setProblem(PositionProblem::None, {});
  watchForSilence(kFirstFixSeconds);
}

void PositionFeed::positionUpdated(const QGeoPositionInfo& info) {
  const QGeoCoordinate c = info.coordinate();
  if (!info.isValid() || !c.isValid()) return;
  const double accuracy = info.hasAttribute(QGeoPositionInfo::HorizontalAccuracy)
                              ? info.attribute(QGeoPositionInfo::HorizontalAccuracy)
                              : 0;
  fixed(c.latitude(), c.longitude(), std::isfinite(accuracy) ? accuracy : 0);
}

void PositionFeed::fixed(double latitude, double longitude, double accuracy) {
  if (!map_) return;
  haveFix_ = true;
  complained_ = false;
  setProblem(PositionProblem::None, {});
  watchForSilence(kFixStaleSeconds);
  map_->setUserLocation(GeoPoint{latitude, longitude}, accuracy, kind_);
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

void PositionFeed::setProblem(PositionProblem problem, const QString& detail) {
  if (problem == problem_) return;
  const PositionProblem before = problem_;
  problem_ = problem;
  // The notes on the map are the desktop's location service's; other sources only log.
  if (map_ && kind_ == PositionSource::System) map_->setPositionProblem(problem);
  const QString more = detail.isEmpty() ? QString() : " (" + detail + ")";
  switch (problem) {
    case PositionProblem::None:
      if (before != PositionProblem::None) log("Position: the location service answers again");
      // Answering is not yet giving fixes.
      watchForSilence(haveFix_ ? kFixStaleSeconds : kFirstFixSeconds);
      break;
    case PositionProblem::NoService: log("Position: the location service is not available" + more); break;
    case PositionProblem::Off: log("Position: location services are switched off" + more); break;
    case PositionProblem::Refused: log("Position: the location service refuses this application" + more); break;
    case PositionProblem::NoFix: log("Position: no fix" + more); break;
  }
}

void PositionFeed::watchForSilence(double seconds) {
  if (silence_) silence_->invalidate();
  silence_.reset();
  if (!services_.timers || !source_) return;
  silence_ = services_.timers->scheduledTimer(seconds, false, [this, seconds] {
    // A problem the service named says more than the silence it causes.
    if (problem_ != PositionProblem::None) return;
    setProblem(PositionProblem::NoFix, haveFix_ ? "none for " + minutes(seconds) + " min since the last"
                                                : "none in the " + minutes(seconds) + " min since it started");
  });
}

void PositionFeed::complain(const QString& what) {
  if (complained_) return;
  complained_ = true;
  log(what);
}

void PositionFeed::log(const QString& what) {
  if (services_.logger) services_.logger->log(what.toStdString());
}

}  // namespace storm::qt
