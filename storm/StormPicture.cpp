#include "storm/StormPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "storm/StormTexts.h"
#include "storm/Trend.h"

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

std::string minutesAndSeconds(double seconds) {
  const auto whole = static_cast<long long>(seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld", whole / 60, whole % 60);
  return text;
}

}  // namespace

StormPicture::StormPicture(std::shared_ptr<StormWatch> watch, std::shared_ptr<StormMapLayer> layer,
                           Services services)
    : watch_(std::move(watch)), layer_(std::move(layer)), services_(std::move(services)) {}

StormPicture::~StormPicture() {
  if (timer_) timer_->invalidate();
}

void StormPicture::start() {
  if (watch_)
    watch_->addObserver([weak = weak_from_this()] {
      if (auto self = weak.lock()) self->refresh(true);
    });
  refresh(true);
}

std::string StormPicture::localized(const char* key) const {
  return services_.locale ? services_.locale->localizedString(key) : key;
}

void StormPicture::refresh(bool everything) {
  if (timer_) timer_->invalidate();
  timer_.reset();
  if (!layer_) return;
  const double now = services_.clock->now();
  const std::shared_ptr<StrikeStore> store = watch_ ? watch_->strikes() : nullptr;

  if (everything || now - refreshedAt_ >= kStormRefreshSeconds - kSecondSlack) {
    refreshedAt_ = now;
    const std::vector<Strike> strikes = store ? store->recent(now - kRingSeconds) : std::vector<Strike>{};
    const std::optional<double> circle = watch_ ? watch_->circleStrike() : std::nullopt;
    std::vector<StrikeRing> rings;  // newest first
    for (auto s = strikes.rbegin(); s != strikes.rend(); ++s) {
      if (!s->position || s->time > now || s->time == circle) continue;
      rings.push_back({{s->position->latitude, s->position->longitude}, s->km, ringOpacity(now - s->time)});
    }
    const std::optional<Trend> trend = trendAt(strikes, now);
    panel_.trend = trend && services_.locale ? trendText(*trend, *services_.locale) : std::string();
    changes_ = !rings.empty() || !panel_.trend.empty();
    layer_->setStrikeRings(std::move(rings));
  }

  // Sheltering takes the latest close thunder, whatever strikes came after it.
  const ShelterStatus shelter = watch_ ? watch_->shelter() : ShelterStatus{};
  const bool sheltering = shelter.shelter && shelter.allClearIn;
  panel_.shelter = sheltering ? localized("Take shelter now") : std::string();
  panel_.countdown =
      sheltering ? formatText(localized("All clear in %1"), {minutesAndSeconds(shownSeconds(*shelter.allClearIn))})
                 : std::string();
  panel_.clear =
      !sheltering && watch_ && watch_->allClear() ? localized("All clear: no close thunder for 30 minutes") : "";
  layer_->setStormPanel(panel_);

  double wait = std::numeric_limits<double>::infinity();
  if (sheltering) wait = *shelter.allClearIn - (shownSeconds(*shelter.allClearIn) - 1);
  if (changes_) wait = std::min(wait, refreshedAt_ + kStormRefreshSeconds - now);
  if (!std::isfinite(wait) || !services_.timers) return;
  timer_ = services_.timers->scheduledTimer(std::max(wait, kSecondSlack), false, [weak = weak_from_this()] {
    if (auto self = weak.lock()) self->refresh(false);
  });
}

}  // namespace storm
