#include "map/NightLook.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace storm {

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180;
constexpr double kSunset = -0.833;  // refraction and the sun's radius: the upper rim touches the horizon
constexpr int kEveningHour = 20, kMorningHour = 6;

}  // namespace

double solarElevationDegrees(double unixSeconds, GeoPoint place) {
  // Days from the epoch J2000.0 (2000-01-01 12:00 UT); the sun's mean anomaly and mean longitude,
  // its ecliptic longitude with the equation of centre, the obliquity of the ecliptic.
  const double d = unixSeconds / 86400.0 - 10957.5;
  const double g = (357.529 + 0.98560028 * d) * kDegree;
  const double q = 280.459 + 0.98564736 * d;
  const double lambda = (q + 1.915 * std::sin(g) + 0.020 * std::sin(2 * g)) * kDegree;
  const double epsilon = (23.439 - 0.00000036 * d) * kDegree;
  const double rightAscension = std::atan2(std::cos(epsilon) * std::sin(lambda), std::cos(lambda));
  const double declination = std::asin(std::sin(epsilon) * std::sin(lambda));
  // Greenwich mean sidereal time in degrees, then the sun's hour angle at the place.
  const double siderealDegrees = 280.46061837 + 360.98564736629 * d;
  const double hourAngle = (siderealDegrees + place.longitude) * kDegree - rightAscension;
  const double latitude = place.latitude * kDegree;
  const double sine =
      std::sin(latitude) * std::sin(declination) + std::cos(latitude) * std::cos(declination) * std::cos(hourAngle);
  return std::asin(std::clamp(sine, -1.0, 1.0)) / kDegree;
}

bool isNight(double unixSeconds, const std::optional<GeoPoint>& place, int localHour) {
  if (place) return solarElevationDegrees(unixSeconds, *place) < kSunset;
  return localHour >= kEveningHour || localHour < kMorningHour;
}

std::optional<NightMode> nightModeNamed(const std::string& name) {
  for (NightMode mode : {NightMode::Automatic, NightMode::Always, NightMode::Never})
    if (name == nightModeName(mode)) return mode;
  return std::nullopt;
}

const char* nightModeName(NightMode mode) {
  switch (mode) {
    case NightMode::Always: return "on";
    case NightMode::Never: return "off";
    case NightMode::Automatic: break;
  }
  return "auto";
}

NightLook::NightLook(std::shared_ptr<Preferences> settings, std::shared_ptr<const Clock> clock,
                     std::shared_ptr<TimerScheduler> timers, Where where, Show show, NightMode byDefault)
    : settings_(std::move(settings)),
      clock_(std::move(clock)),
      timers_(std::move(timers)),
      where_(std::move(where)),
      show_(std::move(show)),
      mode_(byDefault) {}

std::vector<PreferenceKey> NightLook::settingKeys() { return {{kNightLookKey, PreferenceType::String}}; }

void NightLook::start() {
  if (settings_)
    if (const auto kept = settings_->stringForKey(kNightLookKey)) mode_ = nightModeNamed(*kept).value_or(mode_);
  update();
  // Sunset comes at most a minute late to the map; the check wakes the app once a minute.
  if (timers_) minute_ = timers_->scheduledTimer(60, true, [this] { update(); });
}

void NightLook::setMode(NightMode mode) {
  mode_ = mode;
  if (settings_) {
    settings_->setObject(std::string(nightModeName(mode)), kNightLookKey);
    settings_->synchronize();
  }
  update();
}

void NightLook::update() {
  bool night = mode_ == NightMode::Always;
  if (mode_ == NightMode::Automatic && clock_) {
    const double now = clock_->now();
    const std::time_t seconds = static_cast<std::time_t>(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    night = isNight(now, where_ ? where_() : std::nullopt, local.tm_hour);
  }
  if (night_ == night) return;
  night_ = night;
  if (show_) show_(night);
}

}  // namespace storm
