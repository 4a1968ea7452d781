#include "storm/Shelter.h"

#include <algorithm>
#include <charconv>

namespace storm {

double shownKilometres(double km) {
  // The text the screen writes, read back: the rounding is the screen's own.
  char text[64];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, km, std::chars_format::fixed, 2);
  double shown = km;
  if (ec == std::errc{}) std::from_chars(text, end, shown);
  return shown;
}

ShelterStatus shelterAt(std::span<const Strike> strikes, double now) {
  std::optional<double> lastThunder;
  for (const Strike& s : strikes)
    if (s.time <= now && isCloseStrike(s))
      lastThunder = std::max(lastThunder.value_or(s.thunderTime()), s.thunderTime());
  ShelterStatus status;
  if (lastThunder && *lastThunder + kShelterSeconds > now) {
    status.shelter = true;
    status.allClearIn = *lastThunder + kShelterSeconds - now;
  }
  return status;
}

ShelterCountdown::ShelterCountdown(std::shared_ptr<Clock> clock, std::shared_ptr<TimerScheduler> timers)
    : clock_(std::move(clock)), timers_(std::move(timers)) {}

ShelterCountdown::~ShelterCountdown() {
  if (timer_) timer_->invalidate();
}

void ShelterCountdown::strikeRecorded(const Strike& strike) {
  if (!isCloseStrike(strike)) return;
  const double end = strike.thunderTime() + kShelterSeconds;
  if (clearAt_ && end <= *clearAt_) return;
  const double remaining = end - clock_->now();
  // A close strike that is already half an hour old starts nothing and announces nothing.
  if (remaining <= 0) return;
  clearAt_ = end;
  if (timer_) timer_->invalidate();
  // The timer holds no reference to this object; it is invalidated when this goes.
  timer_ = timers_->scheduledTimer(remaining, false, [this] { expire(); });
}

ShelterStatus ShelterCountdown::status() const {
  ShelterStatus status;
  if (!clearAt_) return status;
  const double left = *clearAt_ - clock_->now();
  if (left <= 0) return status;
  status.shelter = true;
  status.allClearIn = left;
  return status;
}

void ShelterCountdown::reset() {
  clearAt_.reset();
  if (timer_) timer_->invalidate();
  timer_.reset();
}

void ShelterCountdown::expire() {
  clearAt_.reset();
  timer_.reset();
  if (allClear) allClear();
}

}  // namespace storm
