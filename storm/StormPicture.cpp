#include "storm/StormPicture.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "map/GeoMath.h"
#include "storm/StormJudgment.h"
#include "storm/StormTexts.h"

namespace storm {

namespace {

// Strikes of the last hour get a ring; it fades from the newest to nearly nothing at an hour.
constexpr double kRingSeconds = 60 * 60;
constexpr double kNewestRingOpacity = 0.85;
constexpr double kOldestRingOpacity = 0.1;
// How often the fading and the trend follow the time.
constexpr double kStormRefreshSeconds = 60;
// A countdown within this of a whole second is taken as past it, so that a timer firing a hair
// early still moves the display on.
constexpr double kSecondSlack = 1e-3;

double ringOpacity(double age) {
  const double f = std::clamp(age / kRingSeconds, 0.0, 1.0);
  return kNewestRingOpacity + (kOldestRingOpacity - kNewestRingOpacity) * f;
}

// The whole seconds a countdown shows: 30:00 right at its start, 00:01 in its last second.
double shownSeconds(double left) { return std::max(0.0, std::ceil(left - kSecondSlack)); }

// The region that holds every circle of `strikes` measured somewhere (those up to `now`), and the
// track's arrow and closest approach.
std::optional<GeoRegion> regionOf(std::span<const Strike> strikes, double now,
                                  const std::optional<TrackPicture>& track) {
  double south = 90, north = -90, west = 180, east = -180;
  auto take = [&](double lat, double lon, double dLat, double dLon) {
    south = std::min(south, std::max(-90.0, lat - dLat));
    north = std::max(north, std::min(90.0, lat + dLat));
    west = std::min(west, lon - dLon);
    east = std::max(east, lon + dLon);
  };
  for (const Strike& s : strikes) {
    if (!s.position || s.time > now) continue;
    const double lat = s.position->latitude, lon = s.position->longitude, metres = s.km * 1000;
    take(lat, lon, metres / geo::metersPerDegreeLatitude(lat),
         std::min(180.0, metres / std::max(1.0, geo::metersPerDegreeLongitude(lat))));
  }
  if (track && south <= north) {
    // Near the storm's circles: the arrow's longitudes are taken as the nearest copies to them.
    const double middle = (west + east) / 2;
    // The arrow, the two edges of its cone and the closest approach.
    const double metres = track->aheadKm * 1000;
    for (const std::optional<GeoPoint>& p :
         {std::optional(track->centre), std::optional(track->ahead),
          std::optional(geo::destination(track->centre, track->headingDegrees - track->spreadDegrees, metres)),
          std::optional(geo::destination(track->centre, track->headingDegrees + track->spreadDegrees, metres)),
          track->closest})
      if (p) take(p->latitude, middle + std::remainder(p->longitude - middle, 360.0), 0, 0);
  }
  if (south > north) return std::nullopt;
  return GeoRegion{{(south + north) / 2, (west + east) / 2}, {north - south, east - west}};
}

// The rings of the hour's strikes measured somewhere, newest first, but the circle's own. The store
// keeps the hour oldest first; the newest rings are taken from its end, and the walk stops at the
// last ring drawn, so a busy hour costs no more rings than a quiet one.
std::vector<StrikeRing> ringsOf(std::span<const Strike> strikes, double now, std::optional<double> circle) {
  std::vector<StrikeRing> rings;
  for (auto s = strikes.rbegin(); s != strikes.rend() && rings.size() < kMostStrikeRings; ++s) {
    if (!s->position || s->time > now || s->time == circle) continue;
    rings.push_back({{s->position->latitude, s->position->longitude}, s->km, ringOpacity(now - s->time)});
  }
  return rings;
}

// The marks of the hour's placed strikes, newest first; those the track set aside are marked so.
std::vector<StrikeMark> marksOf(std::span<const Strike> strikes, double now, const std::vector<double>& setAside) {
  std::vector<StrikeMark> marks;
  for (auto s = strikes.rbegin(); s != strikes.rend() && marks.size() < kMostStrikeRings; ++s) {
    if (!s->position || !s->bearing || !s->bearing->placed || s->time > now) continue;
    marks.push_back({{s->position->latitude, s->position->longitude},
                     s->bearing->degrees,
                     s->km,
                     ringOpacity(now - s->time),
                     std::find(setAside.begin(), setAside.end(), s->time) != setAside.end()});
  }
  return marks;
}

// The arrow of a claimed track; nothing while no motion is claimed.
std::optional<TrackPicture> pathOf(const Track& track) {
  if (!track.closestKm) return std::nullopt;
  TrackPicture path;
  path.centre = track.centre;
  path.headingDegrees = track.headingDegrees;
  path.spreadDegrees = track.headingSpreadDegrees;
  path.aheadKm = track.speedKmh * kTrackArrowMinutes / 60;
  path.ahead = geo::destination(track.centre, track.headingDegrees, path.aheadKm * 1000);
  if (track.closestInMinutes && *track.closestInMinutes > 0) path.closest = track.closestPoint;
  return path;
}

}  // namespace

StormPicture::StormPicture(std::shared_ptr<StormWatch> watch, std::shared_ptr<StormMapLayer> layer, Services services)
    : watch_(std::move(watch)), layer_(std::move(layer)), services_(std::move(services)) {}

StormPicture::~StormPicture() {
  if (timer_) timer_->invalidate();
}

void StormPicture::start() {
  if (watch_)
    // The storm is worked out again only when it changed: a measurement starting or ending by
    // itself changes only the question for a flash's direction.
    watch_->addObserver([weak = weak_from_this()](bool storm) {
      if (auto self = weak.lock()) self->refresh(storm);
    });
  refresh(true);
}

std::string StormPicture::localized(const char* key) const {
  return services_.locale ? services_.locale->localizedString(key) : key;
}

std::string StormPicture::number(long long n) const {
  return services_.locale ? services_.locale->decimalText(static_cast<double>(n), 0) : std::to_string(n);
}

// Minutes and seconds of a countdown, two digits each, in the locale's digits: one line never
// mixes two digit systems.
std::string StormPicture::minutesAndSeconds(double seconds) const {
  const auto whole = static_cast<long long>(seconds);
  auto twoDigits = [this](long long n) { return n < 10 ? number(0) + number(n) : number(n); };
  return twoDigits(whole / 60) + ":" + twoDigits(whole % 60);
}

std::string StormPicture::ageText(double seconds) const {
  const auto minutes = static_cast<long long>(seconds / 60);
  if (minutes < 1) return localized("Last strike less than a minute ago");
  if (minutes < 60) return formatText(localized("Last strike %1 min ago"), {number(minutes)});
  return formatText(localized("Last strike %1 h %2 min ago"), {number(minutes / 60), number(minutes % 60)});
}

void StormPicture::refresh(bool everything) {
  if (timer_) timer_->invalidate();
  timer_.reset();
  if (!layer_) return;
  const double now = services_.clock->now();
  if (everything || now - refreshedAt_ >= kStormRefreshSeconds - kSecondSlack) workOutStorm(now);
  const Moments moments = momentsAfterStop(now);
  // Sheltering takes the latest close thunder, whatever strikes came after it.
  const ShelterStatus shelter = watch_ ? watch_->shelter() : ShelterStatus{};
  const bool sheltering = shelter.shelter && shelter.allClearIn;
  showShelter(shelter);
  layer_->setStormPanel(panel_);
  // The circle is of the past once the all-clear came, or half an hour after its strike when there
  // was nothing to shelter from.
  const bool over =
      watch_ && (watch_->allClear() || (!sheltering && newest_ && now - newest_->time >= kShelterSeconds));
  layer_->setCirclePast(over);
  if (!over && !sheltering && newest_ && newest_->time <= now)
    pastAt_ = newest_->time + kShelterSeconds;
  else
    pastAt_.reset();

  double wait = std::numeric_limits<double>::infinity();
  if (sheltering) wait = *shelter.allClearIn - (shownSeconds(*shelter.allClearIn) - 1);
  for (const std::optional<double>& end : {moments.undoEnds, moments.askEnds, moments.noteEnds, pastAt_})
    if (end) wait = std::min(wait, *end - now);
  if (changes_) wait = std::min(wait, refreshedAt_ + kStormRefreshSeconds - now);
  if (!std::isfinite(wait) || !services_.timers) return;
  timer_ = services_.timers->scheduledTimer(std::max(wait, kSecondSlack), false, [weak = weak_from_this()] {
    if (auto self = weak.lock()) self->refresh(false);
  });
}

void StormPicture::workOutStorm(double now) {
  refreshedAt_ = now;
  const std::shared_ptr<StrikeStore> store = watch_ ? watch_->strikes() : nullptr;
  const RecentStrikes strikes = store ? store->recent(now - kRingSeconds) : RecentStrikes{};
  std::vector<StrikeRing> rings = ringsOf(strikes, now, watch_ ? watch_->circleStrike() : std::nullopt);
  const StormJudgment judged = judgeStorm(strikes, watch_ ? watch_->here() : std::nullopt, now);
  panel_.trend = judged.trend && services_.locale ? trendText(*judged.trend, *services_.locale) : std::string();
  if (!judged.cells.empty() && services_.locale) panel_.trend = cellsText(judged.cells, *services_.locale);
  std::vector<StrikeMark> marks = marksOf(strikes, now, judged.track ? judged.track->setAside : std::vector<double>{});
  const bool placedLately = std::any_of(strikes.begin(), strikes.end(), [now](const Strike& s) {
    return s.bearing && s.bearing->placed && s.position && s.time <= now && s.time >= now - kTrackWindowSeconds;
  });
  std::optional<TrackPicture> path = judged.track ? pathOf(*judged.track) : std::nullopt;
  TrackWords words;
  if (services_.locale && placedLately)
    words =
        judged.track ? trackWords(*judged.track, *services_.locale) : TrackWords{localized("No clear track yet"), {}};
  panel_.track = std::move(words.motion);
  panel_.course = std::move(words.course);
  // A claimed track tells all the trend does (whether it comes closer, how fast, when within
  // 10 km) and where besides: the panel says it once, by the track.
  if (path) panel_.trend.clear();
  // The newest strike: of the hour at hand when there is one (the newest the log knows of); the
  // whole log is asked only without one.
  const Strike* newestOfHour = nullptr;
  for (const Strike& s : strikes)
    if (!newestOfHour || s.time >= newestOfHour->time) newestOfHour = &s;
  newest_ = newestOfHour ? std::optional<Strike>(*newestOfHour) : std::nullopt;
  if (!newest_ && watch_) newest_ = watch_->newest(std::numeric_limits<double>::infinity());
  const bool recent = newest_ && newest_->time >= now - kAgeShownSeconds && newest_->time <= now;
  panel_.age = recent ? ageText(now - newest_->time) : std::string();
  panel_.showStorm = std::count_if(strikes.begin(), strikes.end(), [](const Strike& s) { return s.position; }) >= 2;
  layer_->setStormRegion(regionOf(strikes, now, path));
  changes_ = !rings.empty() || !marks.empty() || !panel_.trend.empty() || !panel_.age.empty();
  layer_->setStrikeRings(std::move(rings));
  layer_->setStrikeMarks(std::move(marks));
  layer_->setStormTrack(std::move(path));
}

StormPicture::Moments StormPicture::momentsAfterStop(double now) {
  Moments moments;
  // The moment after a stop: the offer to undo it, or the note that it was not logged.
  const std::optional<double> logged = watch_ ? watch_->loggedAt() : std::nullopt;
  const std::optional<double> slip = watch_ ? watch_->slipAt() : std::nullopt;
  const bool undoing = logged && now - *logged < kUndoSeconds && now >= *logged;
  const bool noting = slip && now - *slip < kUndoSeconds && now >= *slip;
  panel_.undo = undoing;
  // The direction of the flash just measured, asked for a while after its stop unless it was given,
  // or the next measurement began. Only of a strike measured at a known place: a direction from
  // nowhere places nothing.
  const bool asking = logged && now - *logged < kBearingAskSeconds && now >= *logged && newest_ && !watch_->timing() &&
                      !newest_->bearing && newest_->position && newest_->thunderTime() >= *logged - 1;
  panel_.ask = asking ? localized("Where was the flash?") : std::string();
  // A question is asked only where the strike has a position, so a click on the map can answer it.
  panel_.askHint = asking ? localized(
                                "Click its direction on the map or type the degrees; keys: an arrow, "
                                "Shift with two arrows for the points between, or the keypad")
                          : std::string();
  panel_.askFor = asking ? std::optional<double>(newest_->time) : std::nullopt;
  panel_.askFrom =
      asking ? std::optional<GeoPoint>({newest_->position->latitude, newest_->position->longitude}) : std::nullopt;
  panel_.note = noting ? localized("Too quick to be thunder: not logged. Press at the flash, then at the thunder.")
                       : std::string();
  if (!noting && watch_ && !watch_->logNotice().empty()) panel_.note = localized(watch_->logNotice().c_str());
  if (undoing) moments.undoEnds = *logged + kUndoSeconds;
  if (asking) moments.askEnds = *logged + kBearingAskSeconds;
  if (noting) moments.noteEnds = *slip + kUndoSeconds;
  return moments;
}

void StormPicture::showShelter(const ShelterStatus& shelter) {
  const bool sheltering = shelter.shelter && shelter.allClearIn;
  panel_.shelter = sheltering ? localized("Take shelter now") : std::string();
  panel_.countdown =
      sheltering ? formatText(localized("All clear in %1"), {minutesAndSeconds(shownSeconds(*shelter.allClearIn))})
                 : std::string();
  panel_.countdownSpoken =
      sheltering ? formatText(localized("All clear in %1 min"),
                              {number(static_cast<long long>(std::ceil(shownSeconds(*shelter.allClearIn) / 60)))})
                 : std::string();
  panel_.clear =
      !sheltering && watch_ && watch_->allClear() ? localized("All clear: no close thunder for 30 minutes") : "";
}

}  // namespace storm
