// The storm-map half of the main screen: the distance circle, its look, the rings of earlier
// strikes and the storm's panel over the map, and the map type.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "kit/Nil.h"
#include "screens/MainViewController.h"
#include "storm/StormTexts.h"
#include "storm/Trend.h"

namespace storm {

namespace {
constexpr unsigned kMapAutoresizing = AutoresizingFlexibleWidth | AutoresizingFlexibleHeight;  // 18

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

std::string minutesAndSeconds(double seconds) {
  const auto whole = static_cast<long long>(seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld", whole / 60, whole % 60);
  return text;
}

}  // namespace

void MainViewController::updateStormCircle(float kilometres) {
  auto map = mapView_.lock();
  if (!map) return;
  const double radius = static_cast<double>(kilometres * 1000.0f);
  const double extent = static_cast<double>(kilometres * 2000.0f);

  // Without any position there is nowhere to draw the circle: the map stays where the user left it
  // and the distance alone is shown.
  const std::shared_ptr<MKUserLocation> user = map->userLocation();
  if (!user) return;
  const double latitude = user->coordinate().latitude;
  const double longitude = send(map->userLocation(), &MKUserLocation::coordinate).longitude;
  const MKCoordinateRegion region = MKCoordinateRegionMakeWithDistance({latitude, longitude}, extent, extent);
  const MKCoordinateRegion fitted = map->regionThatFits(region);
  map->setAutoresizingMask(kMapAutoresizing);
  map->setRegion(fitted, true);
  const CLLocationCoordinate2D center = send(map->userLocation(), &MKUserLocation::coordinate);
  auto circle = MKCircle::circleWithCenterCoordinate(center, radius);
  map->removeOverlays(map->overlays());
  map->addOverlay(circle);
  map->setDelegate(std::static_pointer_cast<MainViewController>(shared_from_this()));
}

std::shared_ptr<MKOverlayView> MainViewController::mapViewViewForOverlay(MKMapView&,
                                                                         const std::shared_ptr<MKOverlay>& overlay) {
  auto view = std::make_shared<MKCircleView>(overlay);
  view->setStrokeColor(Color::blackColor().colorWithAlphaComponent(0.5f));
  view->setFillColor(Color::redColor().colorWithAlphaComponent(0.25f));
  return view;
}

void MainViewController::watchStorm() {
  if (watch_) {
    const std::weak_ptr<MainViewController> weak = std::static_pointer_cast<MainViewController>(shared_from_this());
    watch_->addObserver([weak] {
      if (auto self = weak.lock()) self->refreshStorm(true);
    });
  }
  refreshStorm(true);
}

void MainViewController::refreshStorm(bool everything) {
  send(stormTimer_, &Timer::invalidate);
  stormTimer_.reset();
  auto map = mapView_.lock();
  if (!map) return;
  auto text = [this](const char* key) -> std::string {
    return platform_.bundle ? platform_.bundle->localizedString(key) : std::string(key);
  };
  const double now = platform_.clock->now();
  StormPanel panel = map->stormPanel();

  if (everything || now - stormRefreshedAt_ >= kStormRefreshSeconds - kSecondSlack) {
    stormRefreshedAt_ = now;
    const std::vector<Strike> strikes =
        platform_.strikes ? platform_.strikes->recent(now - kRingSeconds) : std::vector<Strike>{};
    std::vector<StrikeRing> rings;  // newest first
    for (auto s = strikes.rbegin(); s != strikes.rend(); ++s) {
      if (!s->position || s->time > now || s->time == circleStrike_) continue;
      rings.push_back({{s->position->latitude, s->position->longitude}, s->km, ringOpacity(now - s->time)});
    }
    const std::optional<Trend> trend = trendAt(strikes, now);
    panel.trend = trend && platform_.bundle ? trendText(*trend, *platform_.bundle) : std::string();
    stormChanges_ = !rings.empty() || !panel.trend.empty();
    map->setStrikeRings(std::move(rings));
  }

  // Sheltering takes the latest close thunder, whatever strikes came after it.
  const ShelterStatus shelter = watch_ ? watch_->shelter() : ShelterStatus{};
  const bool sheltering = shelter.shelter && shelter.allClearIn;
  panel.shelter = sheltering ? text("Take shelter now") : std::string();
  panel.countdown = sheltering
                        ? formatText(text("All clear in %1"), {minutesAndSeconds(shownSeconds(*shelter.allClearIn))})
                        : std::string();
  panel.clear =
      !sheltering && watch_ && watch_->allClear() ? text("All clear: no close thunder for 30 minutes") : std::string();
  map->setStormPanel(panel);

  double wait = std::numeric_limits<double>::infinity();
  if (sheltering) wait = *shelter.allClearIn - (shownSeconds(*shelter.allClearIn) - 1);
  if (stormChanges_) wait = std::min(wait, stormRefreshedAt_ + kStormRefreshSeconds - now);
  if (!std::isfinite(wait) || !platform_.timers) return;
  const std::weak_ptr<MainViewController> weak = std::static_pointer_cast<MainViewController>(shared_from_this());
  stormTimer_ = platform_.timers->scheduledTimer(std::max(wait, kSecondSlack), false, [weak] {
    if (auto self = weak.lock()) self->refreshStorm(false);
  });
}

void MainViewController::switcher(View*) {
  if (send(switcher_, &SegmentedControl::selectedSegmentIndex) == 0)
    send(mapView_, &MKMapView::setMapType, MKMapTypeStandard);
  if (send(switcher_, &SegmentedControl::selectedSegmentIndex) == 1)
    send(mapView_, &MKMapView::setMapType, MKMapTypeSatellite);
  if (send(switcher_, &SegmentedControl::selectedSegmentIndex) == 2)
    send(mapView_, &MKMapView::setMapType, MKMapTypeHybrid);
}

}  // namespace storm
