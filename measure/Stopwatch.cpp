#include "measure/Stopwatch.h"

namespace storm {

Stopwatch::Stopwatch(std::shared_ptr<Clock> clock, std::shared_ptr<TimerScheduler> timers,
                     std::function<double()> speedOfSound)
    : clock_(std::move(clock)), timers_(std::move(timers)), speedOfSound_(std::move(speedOfSound)) {}

void Stopwatch::start(std::function<void()> tick) {
  startDate = clock_->monotonic();
  startWallTime = clock_->now();
  timer = timers_ ? timers_->scheduledTimer(kTickPeriod, true, std::move(tick)) : nullptr;
}

void Stopwatch::stopTicking() {
  if (timer) timer->invalidate();
  timer.reset();
}

double Stopwatch::elapsed() const { return clock_->monotonic() - startDate.value_or(0.0); }

Measurement Stopwatch::measurement(float seconds) const {
  Measurement m;
  m.speed = speedOfSound_ ? speedOfSound_() : kSpeedOfSoundKmPerSecond;
  m.seconds = seconds;
  m.distance = distanceForSeconds(seconds, m.speed);
  m.flash = startWallTime.value_or(clock_->now() - static_cast<double>(seconds));
  return m;
}

void Stopwatch::setMeasurementPhase(int32_t phase) {
  const bool changed = phase != measurementPhase;
  measurementPhase = phase;
  if (!changed) return;
  // An observer may add another while being told.
  const auto observers = timingObservers_;
  for (const auto& observer : observers) observer(phase == MeasurementPhaseTiming);
}

void Stopwatch::finish(const Measurement& measurement) {
  // Those who listen for measurements hear first, so that those who listen for the phase find the
  // measurement's consequences (a call to shelter, say) already there when it ends.
  const auto observers = measurementObservers_;
  for (const auto& observer : observers) observer(measurement);
  setMeasurementPhase(MeasurementPhaseIdle);
}

void Stopwatch::reset() {
  stopTicking();
  startDate.reset();
  startWallTime.reset();
  setMeasurementPhase(MeasurementPhaseIdle);
}

void Stopwatch::addTimingObserver(std::function<void(bool)> observer) {
  if (observer) timingObservers_.push_back(std::move(observer));
}

void Stopwatch::addMeasurementObserver(std::function<void(const Measurement&)> observer) {
  if (observer) measurementObservers_.push_back(std::move(observer));
}

}  // namespace storm
