#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "system/Clock.h"
#include "storm/Strike.h"

// The lightning-safety rule: thunder within 30 s of its flash, or a distance shown as 10 km or
// less, means take shelter, and stay there until 30 minutes have passed since the last such
// thunder.

namespace storm {

inline constexpr double kCloseDelaySeconds = 30.0;
inline constexpr double kCloseShownKilometres = 10.0;
inline constexpr double kShelterSeconds = 30 * 60;

// The distance as the screen shows it: kilometres to two decimals.
double shownKilometres(double km);
// The rule goes by what the person reads: the delay, as people count it, or the distance shown (in
// cold air the speed of sound puts 10 km nearer than 30 s).
inline bool isCloseStrike(const Strike& strike) {
  return strike.delay <= kCloseDelaySeconds || shownKilometres(strike.km) <= kCloseShownKilometres;
}

struct ShelterStatus {
  bool shelter = false;
  std::optional<double> allClearIn;  // seconds, while sheltering
};

// The rule at wall-clock `now` for the strikes of a log (any order).
ShelterStatus shelterAt(std::span<const Strike> strikes, double now);

// The same rule kept up to date as strikes come in, with a timer for the moment it is clear again.
// Main thread only.
class ShelterCountdown {
 public:
  ShelterCountdown(std::shared_ptr<Clock> clock, std::shared_ptr<TimerScheduler> timers);
  ~ShelterCountdown();
  ShelterCountdown(const ShelterCountdown&) = delete;
  ShelterCountdown& operator=(const ShelterCountdown&) = delete;

  // A strike was recorded (or read back from the log at start): a close one starts the countdown
  // again from its thunder; an older one than the last close strike changes nothing.
  void strikeRecorded(const Strike& strike);
  ShelterStatus status() const;
  // Forgets every strike: no countdown runs and none ends.
  void reset();

  // Called once each time a countdown runs out.
  std::function<void()> allClear;

 private:
  void expire();

  std::shared_ptr<Clock> clock_;
  std::shared_ptr<TimerScheduler> timers_;
  std::optional<double> clearAt_;  // wall-clock end of the current countdown
  std::shared_ptr<Timer> timer_;
};

}  // namespace storm
