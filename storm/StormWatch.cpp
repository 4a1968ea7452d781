#include "storm/StormWatch.h"

namespace storm {

StormWatch::StormWatch(std::shared_ptr<StrikeStore> strikes, std::shared_ptr<Clock> clock,
                       std::shared_ptr<TimerScheduler> timers, std::shared_ptr<DesktopNotifier> notifier,
                       std::shared_ptr<Bundle> bundle)
    : strikes_(std::move(strikes)),
      clock_(clock),
      notifier_(std::move(notifier)),
      bundle_(std::move(bundle)),
      countdown_(std::move(clock), std::move(timers)) {
  countdown_.allClear = [this] { countdownEnded(); };
}

void StormWatch::start() {
  feed();
  if (!strikes_) return;
  strikes_->afterReadBack([weak = weak_from_this()] {
    if (auto self = weak.lock()) {
      self->feed();
      self->tell();
    }
  });
}

void StormWatch::feed() {
  if (!strikes_) return;
  // The countdown takes what is new to it and ignores what it already knows or what is too old.
  for (const Strike& strike : strikes_->recent(clock_->now() - kShelterSeconds - kCloseDelaySeconds))
    countdown_.strikeRecorded(strike);
}

void StormWatch::strikeRecorded(const Strike& strike) {
  allClear_ = false;
  countdown_.strikeRecorded(strike);
  tell();
}

void StormWatch::countdownEnded() {
  allClear_ = true;
  const std::string summary = bundle_ ? bundle_->localizedString("All clear") : "All clear";
  const std::string body = bundle_ ? bundle_->localizedString("No thunder within 10 km for the last 30 minutes.")
                                   : "No thunder within 10 km for the last 30 minutes.";
  notified_.push_back(summary + ". " + body);
  if (notifier_) notifier_->notify(summary, body);
  tell();
}

void StormWatch::addObserver(std::function<void()> changed) {
  if (changed) observers_.push_back(std::move(changed));
}

void StormWatch::tell() {
  // An observer may add another while being told.
  const auto observers = observers_;
  for (const auto& changed : observers) changed();
}

}  // namespace storm
