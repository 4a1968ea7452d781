#include "map/qt/PositionFeed.h"

#include <cmath>
#include <limits>

#include "map/PositionState.h"
#include "map/qt/GeoClueSource.h"
#include "map/qt/GpsdSource.h"
#include "map/qt/MapModel.h"
#include "map/qt/NmeaLogSource.h"
#include "system/qt/ResourceFile.h"

namespace storm::qt {

namespace {
// A day of fixes at ten a second is about 60 MiB of NMEA sentences.
constexpr qint64 kNmeaLogLimit = 256LL * 1024 * 1024;

QString minutes(double seconds) { return QString::number(std::lround(seconds / 60)); }

// Finer first; an accuracy that is not known is the coarsest.
double rank(const PositionReport& fix) {
  return fix.accuracy > 0 ? fix.accuracy : std::numeric_limits<double>::infinity();
}
}  // namespace

PositionFeed::PositionFeed(MapModel* map, Services services)
    : QObject(map), map_(map), services_(std::move(services)) {}

PositionFeed::~PositionFeed() {
  for (auto& [kind, live] : live_)
    if (live.silence) live.silence->invalidate();
}

void PositionFeed::useFixedPosition(GeoPoint position) {
  for (PositionSource kind : {PositionSource::System, PositionSource::Nmea, PositionSource::Gpsd}) drop(kind);
  if (map_) map_->setUserLocation(position, 0, PositionSource::Fixed);
}

void PositionFeed::useNmeaLog(const QString& path) {
  for (PositionSource kind : {PositionSource::System, PositionSource::Nmea, PositionSource::Gpsd}) drop(kind);
  // A log is read as it is replayed: it must be a file that ends.
  QString why;
  if (!isReadableRegularFile(path, why, kNmeaLogLimit)) {
    log("Position: cannot read the NMEA log " + path + ": " + why);
    return;
  }
  addSource(new NmeaLogSource(path, services_.timers), PositionSource::Nmea);
}

void PositionFeed::useSystemSource(const QString& desktopId) {
  drop(PositionSource::Nmea);
  addSource(new GeoClueSource({desktopId, services_.clock, services_.timers}), PositionSource::System);
}

void PositionFeed::useGpsd(const QString& where) {
  drop(PositionSource::Nmea);
  addSource(new GpsdSource(where), PositionSource::Gpsd);
}

void PositionFeed::addSource(LiveSource* source, PositionSource kind) {
  drop(kind);
  source->setParent(this);
  live_[kind].source = source;
  connect(source, &LiveSource::fixed, this,
          [this, kind](double lat, double lon, double accuracy) { fixed(kind, lat, lon, accuracy); });
  connect(source, &LiveSource::problem, this,
          [this, kind](PositionProblem problem, const QString& detail) { setProblem(kind, problem, detail); });
  if (map_) map_->setPositionSourceNamed(live_.count(PositionSource::System) && live_.count(PositionSource::Gpsd));
  watchForSilence(kind);
  source->start();
}

void PositionFeed::drop(PositionSource kind) {
  const auto it = live_.find(kind);
  if (it == live_.end()) return;
  if (it->second.silence) it->second.silence->invalidate();
  delete it->second.source;
  live_.erase(it);
  if (shown_ == kind) shown_.reset();
  if (map_) map_->setPositionSourceNamed(false);
}

void PositionFeed::fixed(PositionSource kind, double latitude, double longitude, double accuracy) {
  Live& live = live_[kind];
  live.fix = PositionReport{{latitude, longitude}, std::isfinite(accuracy) && accuracy > 0 ? accuracy : 0, kind, now()};
  live.complained = false;
  setProblem(kind, PositionProblem::None, {});
  watchForSilence(kind);
  if (best() == kind) show(kind);
}

void PositionFeed::show(PositionSource kind) {
  shown_ = kind;
  const Live& live = live_[kind];
  if (!map_ || !live.fix) return;
  map_->setPositionProblem(live.problem);
  map_->setUserLocation(live.fix->coordinate, live.fix->accuracy, kind);
}

std::optional<PositionSource> PositionFeed::best() const {
  std::optional<PositionSource> choice;
  const PositionReport* chosen = nullptr;
  for (const auto& [kind, live] : live_) {
    if (!live.fix || live.problem != PositionProblem::None || now() - live.fix->time > kFreshSeconds) continue;
    if (!chosen || rank(*live.fix) < rank(*chosen) ||
        (rank(*live.fix) == rank(*chosen) && live.fix->time > chosen->time)) {
      chosen = &*live.fix;
      choice = kind;
    }
  }
  return choice;
}

void PositionFeed::setProblem(PositionSource kind, PositionProblem problem, const QString& detail) {
  Live& live = live_[kind];
  if (problem == live.problem) return;
  const PositionProblem before = live.problem;
  live.problem = problem;
  const QString more = detail.isEmpty() ? QString() : " (" + detail + ")";
  switch (problem) {
    case PositionProblem::None:
      if (before != PositionProblem::None)
        log(kind == PositionSource::System ? QString("Position: the location service answers again")
                                           : QString("Position: %1 gives fixes again").arg(positionSourceName(kind)));
      // Answering is not yet giving fixes.
      watchForSilence(kind);
      break;
    case PositionProblem::NoService: log("Position: the location service is not available" + more); break;
    case PositionProblem::Off: log("Position: location services are switched off" + more); break;
    case PositionProblem::Refused: log("Position: the location service refuses this application" + more); break;
    case PositionProblem::NoFix: log("Position: no fix" + more); break;
    case PositionProblem::Lost: log("Position: the GPS receiver has no fix" + more); break;
    case PositionProblem::Ended: log("Position: the NMEA log has ended" + more); break;
    case PositionProblem::NoGpsd: log("Position: gpsd cannot be reached" + more); break;
  }
  if (!map_ || (shown_ && shown_ != kind)) return;
  // The shown source failing gives way to another's fresh fix, where there is one.
  const std::optional<PositionSource> other = best();
  if (problem != PositionProblem::None && other)
    show(*other);
  else
    map_->setPositionProblem(problem);
}

void PositionFeed::watchForSilence(PositionSource kind) {
  Live& live = live_[kind];
  if (live.silence) live.silence->invalidate();
  live.silence.reset();
  if (!services_.timers || !live.source) return;
  const bool service = kind == PositionSource::System;
  const double seconds = !service ? kStallSeconds : live.fix ? kFixStaleSeconds : kFirstFixSeconds;
  live.silence = services_.timers->scheduledTimer(seconds, false, [this, kind, service, seconds] {
    Live& quiet = live_[kind];
    // A problem the source named says more than the silence it causes.
    if (quiet.problem != PositionProblem::None || quiet.complained) return;
    quiet.complained = true;
    const QString since = quiet.fix ? "none for %1 since the last" : "none in the %1 since it started";
    const QString span = service ? minutes(seconds) + " min" : QString::number(seconds) + " s";
    setProblem(kind, service ? PositionProblem::NoFix : PositionProblem::Lost, since.arg(span));
  });
}

void PositionFeed::log(const QString& what) {
  if (services_.logger) services_.logger->log(what.toStdString());
}

double PositionFeed::now() const { return services_.clock ? services_.clock->now() : 0; }

}  // namespace storm::qt
