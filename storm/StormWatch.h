#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kit/Bundle.h"
#include "system/Clock.h"
#include "system/DesktopNotifier.h"
#include "storm/StrikeStore.h"
#include "storm/Shelter.h"

// The application's watch over the storm: the shelter countdown, fed with the log's recent strikes
// at start and each strike measured since, the all-clear it announces on the desktop when the
// countdown runs out, and the screens it tells when what they show of the storm has changed. Made
// once by the application's delegate and shared by the screens. Main thread only.

namespace storm {

class StormWatch : public std::enable_shared_from_this<StormWatch> {
 public:
  // Any service may be missing: without a log nothing is read back, without a notifier the
  // all-clear is only kept in notified().
  StormWatch(std::shared_ptr<StrikeStore> strikes, std::shared_ptr<Clock> clock, std::shared_ptr<TimerScheduler> timers,
             std::shared_ptr<DesktopNotifier> notifier, std::shared_ptr<Bundle> bundle);

  // Feeds the countdown with the log's recent strikes, now and again once the log has read its
  // last hour back from disk.
  void start();
  // A strike was measured and appended to the log.
  void strikeRecorded(const Strike& strike);

  ShelterStatus shelter() const { return countdown_.status(); }
  // From the moment the countdown ran out until the next strike.
  bool allClear() const { return allClear_; }
  // Each all-clear notification sent so far: its summary, ". ", and its body.
  const std::vector<std::string>& notified() const { return notified_; }

  // `changed` is called whenever the shelter, the all-clear or the log's recent strikes change.
  void addObserver(std::function<void()> changed);

 private:
  void feed();
  void countdownEnded();
  void tell();

  std::shared_ptr<StrikeStore> strikes_;
  std::shared_ptr<Clock> clock_;
  std::shared_ptr<DesktopNotifier> notifier_;
  std::shared_ptr<Bundle> bundle_;
  ShelterCountdown countdown_;
  bool allClear_ = false;
  std::vector<std::string> notified_;
  std::vector<std::function<void()>> observers_;
};

}  // namespace storm
