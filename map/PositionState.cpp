#include "map/PositionState.h"

#include <cmath>

namespace storm {

namespace {

bool sameReport(const std::optional<PositionReport>& a, const std::optional<PositionReport>& b) {
  if (a.has_value() != b.has_value()) return false;
  if (!a) return true;
  return a->coordinate.latitude == b->coordinate.latitude && a->coordinate.longitude == b->coordinate.longitude &&
         a->accuracy == b->accuracy && a->source == b->source && a->time == b->time;
}

PositionReport cleaned(PositionReport report) {
  if (!(std::isfinite(report.accuracy) && report.accuracy > 0 && report.accuracy <= kCoarsestAccuracyMetres))
    report.accuracy = 0;
  if (!(std::isfinite(report.time) && report.time > 0)) report.time = 0;
  return report;
}

// Sources that keep giving fixes while they work: their fixes grow old.
bool live(PositionSource source) {
  return source == PositionSource::System || source == PositionSource::Nmea || source == PositionSource::Gpsd;
}

}  // namespace

std::optional<PositionReport> PositionState::report() const { return fix_ ? fix_ : place_; }

std::optional<double> PositionState::ageAt(double now) const {
  const std::optional<PositionReport> r = report();
  if (!r || r->time <= 0) return std::nullopt;
  return std::max(0.0, now - r->time);
}

PositionState::Standing PositionState::standingAt(double now) const {
  const std::optional<PositionReport> r = report();
  if (!r) return Standing::Unknown;
  const std::optional<double> age = ageAt(now);
  switch (r->source) {
    case PositionSource::Pinned: return Standing::SetByUser;
    case PositionSource::Remembered: return age ? Standing::Old : Standing::Kept;
    case PositionSource::Fixed: return Standing::Current;
    case PositionSource::System:
    case PositionSource::Nmea:
    case PositionSource::Gpsd: break;
  }
  // A fix stops being current when it grows old, or when its source stops giving fixes.
  if (live(r->source) && ((age && *age > kFixStaleSeconds) || problem_ != PositionProblem::None)) return Standing::Old;
  // A live fix that does not say how accurate it is may be as rough as any.
  return r->accuracy > kApproximateMetres || r->accuracy == 0 ? Standing::Approximate : Standing::Current;
}

bool PositionState::setFix(std::optional<PositionReport> fix) {
  if (outright_) return false;
  if (fix) fix = cleaned(*fix);
  const std::optional<PositionReport> before = report();
  fix_ = fix;
  // A fix replaces the place set or kept.
  if (fix_) place_.reset();
  return !sameReport(before, report());
}

void PositionState::giveOutright(std::optional<PositionReport> report) {
  outright_ = false;
  setFix(report);
  outright_ = true;
}

void PositionState::stopGivingOutright() {
  outright_ = false;
  fix_.reset();
}

void PositionState::setByUser(PositionReport place) {
  fix_.reset();
  place = cleaned(place);
  place.source = PositionSource::Pinned;
  place_ = place;
}

bool PositionState::restore(PositionReport place) {
  if (fix_) return false;
  place = cleaned(place);
  place.source = PositionSource::Remembered;
  place_ = place;
  return true;
}

bool PositionState::setProblem(PositionProblem problem) {
  if (problem == problem_) return false;
  problem_ = problem;
  return true;
}

}  // namespace storm
