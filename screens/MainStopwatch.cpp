// The stopwatch half of the main screen: the main button's two presses and the tick.

#include "screens/Nil.h"
#include "measure/Measurement.h"
#include "measure/Stopwatch.h"
#include "screens/MainViewController.h"
#include "system/NumberParsing.h"

namespace storm {

void MainViewController::button() {
  Stopwatch& state = *stopwatch_;
  const int32_t phase = state.measurementPhase;
  if (phase == MeasurementPhaseTiming) {
    state.stopTicking();
    updateTimer();
    const float seconds = floatValue(send(time_, &Label::text));
    const Measurement measurement = state.measurement(seconds);
    updateStormCircle(measurement.distance.kilometres);
    send(dist_, &Label::setText, distanceText(measurement.distance));
    send(buttonP_, &Button::setTitle, std::string(kTitleIdle), ControlStateNormal);
    // Idle again; then the storm feature hears of the strike and logs it. The result on screen
    // never waits for that.
    state.finish(measurement);
  } else if (phase == MeasurementPhaseIdle) {
    send(dist_, &Label::setText, std::string());
    // The timer keeps its target alive, as a scheduled timer does.
    auto self = shared_from_this();
    state.start([self] { self->updateTimer(); });
    send(buttonP_, &Button::setTitle, std::string(kTitleTiming), ControlStateNormal);
    state.setMeasurementPhase(MeasurementPhaseTiming);
  }
}

void MainViewController::cancel() {
  if (stopwatch_->measurementPhase != MeasurementPhaseTiming) return;
  // The distance label was emptied by the start and stays so; the map keeps the last circle.
  stopwatch_->reset();
  if (services_.dateFormatters) send(time_, &Label::setText, elapsedText(0.0, *services_.dateFormatters));
  send(buttonP_, &Button::setTitle, std::string(kTitleIdle), ControlStateNormal);
}

void MainViewController::updateTimer() {
  if (!services_.dateFormatters) return;
  send(time_, &Label::setText, elapsedText(stopwatch_->elapsed(), *services_.dateFormatters));
}

}  // namespace storm
