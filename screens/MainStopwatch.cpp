// The stopwatch half of the main screen: the main button's two presses and the tick.

#include "measure/Measurement.h"
#include "measure/Stopwatch.h"
#include "kit/Nil.h"
#include "system/NumberParsing.h"
#include "screens/MainViewController.h"
#include "storm/SpeedOfSound.h"

namespace storm {

void MainViewController::button(View*) {
  Stopwatch& state = *stopwatch_;
  const int32_t phase = state.measurementPhase;
  if (phase == MeasurementPhaseTiming) {
    send(state.timer, &Timer::invalidate);
    state.timer.reset();
    updateTimer();
    const float seconds = floatValue(send(time_, &Label::text));
    const double speed = speedOfSoundSetting(platform_.settings.get());
    const Distance distance = distanceForSeconds(seconds, speed);
    updateStormCircle(distance.kilometres);
    send(dist_, &Label::setText, distanceText(distance));
    send(buttonP_, &Button::setTitle, std::string(kTitleIdle), ControlStateNormal);
    state.setMeasurementPhase(MeasurementPhaseIdle);
    recordStrike(seconds, distance, speed);
  } else if (phase == MeasurementPhaseIdle) {
    send(dist_, &Label::setText, std::string());
    state.startDate = platform_.clock->monotonic();
    state.startWallTime = platform_.clock->now();
    // The timer keeps its target alive, as a scheduled timer does.
    auto self = std::static_pointer_cast<MainViewController>(shared_from_this());
    state.timer = platform_.timers->scheduledTimer(kTickPeriod, true, [self] { self->updateTimer(); });
    send(buttonP_, &Button::setTitle, std::string(kTitleTiming), ControlStateNormal);
    state.setMeasurementPhase(MeasurementPhaseTiming);
  }
}

void MainViewController::cancel(View*) {
  if (stopwatch_->measurementPhase != MeasurementPhaseTiming) return;
  // The distance label was emptied by the start and stays so; the map keeps the last circle.
  stopwatch_->reset();
  send(time_, &Label::setText, elapsedText(0.0, *platform_.dateFormatters));
  send(buttonP_, &Button::setTitle, std::string(kTitleIdle), ControlStateNormal);
}

// The store only queues the write, so the result on screen never waits for the disk.
void MainViewController::recordStrike(float seconds, const Distance& distance, double speed) {
  Strike strike;
  strike.time = stopwatch_->startWallTime.value_or(platform_.clock->now() - static_cast<double>(seconds));
  strike.delay = static_cast<double>(seconds);
  strike.km = static_cast<double>(distance.kilometres);
  strike.speed = speed;
  if (auto user = send(mapView_, &MKMapView::userLocation))
    strike.position =
        StrikePosition{user->coordinate().latitude, user->coordinate().longitude, user->horizontalAccuracy()};
  send(platform_.strikes, &StrikeStore::append, strike);
  // The map's circle now stands for this strike, if it was measured somewhere.
  if (strike.position) circleStrike_ = strike.time;
  if (watch_)
    watch_->strikeRecorded(strike);  // which has the screen refreshed
  else
    refreshStorm(true);
}

void MainViewController::updateTimer() {
  const double elapsed = stopwatch_->elapsed(platform_.clock->monotonic());
  send(time_, &Label::setText, elapsedText(elapsed, *platform_.dateFormatters));
}

}  // namespace storm
