#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "map/UserPosition.h"
#include "measure/Stopwatch.h"
#include "storm/Shelter.h"
#include "storm/StrikeStore.h"
#include "system/Clock.h"
#include "system/DesktopNotifier.h"
#include "system/Locale.h"

// The application's watch over the storm: it logs each measurement the stopwatch announces as a
// strike (with the user's position, when known), keeps the shelter countdown, fed with the log's
// recent strikes at start and each strike since, announces the all-clear on the desktop when the
// countdown runs out, and tells its observers (the storm's picture on the map) whenever the storm
// has changed. What the user undoes, removes or clears of the log goes through it, so that the
// storm follows. Made once by the application. Main thread only.

namespace storm {

// A stop this soon after its start is taken for a double press, not a measurement.
inline constexpr double kSlipSeconds = 0.5;

class StormWatch : public std::enable_shared_from_this<StormWatch> {
 public:
  struct Services {
    std::shared_ptr<StrikeStore> strikes;
    std::shared_ptr<Clock> clock;
    std::shared_ptr<TimerScheduler> timers;
    std::shared_ptr<DesktopNotifier> notifier;  // without one, the all-clear is only kept in notified()
    std::shared_ptr<Locale> locale;
    std::shared_ptr<UserPosition> position;  // where strikes are measured from
  };

  explicit StormWatch(Services services);

  // Feeds the countdown with the log's recent strikes, now and again once the log has read its
  // last hour back from disk.
  void start();
  // The stopwatch started (true) or ended a measurement.
  void setTiming(bool timing);
  bool timing() const { return timing_; }
  // The stopwatch's announcement: logs the measurement as a strike, unless it was a slip.
  void measured(const Measurement& measurement);
  // A strike was appended to the log.
  void strikeRecorded(const Strike& strike);
  // Removes the newest strike of the log / the strike flashed at `time` / every strike, and works
  // the storm out afresh; `done` learns whether the log did it.
  void undo(std::function<void(bool)> done = {});
  void remove(double time, std::function<void(bool)> done = {});
  // Clearing keeps a call to shelter running to its all-clear: the thunder was heard all the same.
  void clear(std::function<void(bool)> done = {});
  // Gives `strike` (as the log has it) the direction of its flash, in degrees clockwise from true
  // north, placing it on the map when it was measured somewhere, or takes the direction away;
  // `done` learns whether the log has it.
  void setBearing(const Strike& strike, std::optional<double> degrees, BearingSource source,
                  std::function<void(bool)> done = {});
  // The log changed behind the watch's back: the storm is worked out afresh from it.
  void logChanged();

  ShelterStatus shelter() const { return countdown_.status(); }
  // From the moment the countdown ran out until the next strike.
  bool allClear() const { return allClear_; }
  // Each all-clear notification sent so far: its summary, ". ", and its body.
  const std::vector<std::string>& notified() const { return notified_; }
  // The flash time of the strike whose circle the main screen's map shows (the newest one logged
  // in this run with a position); it gets no ring of its own.
  std::optional<double> circleStrike() const { return circleStrike_; }
  // The newest strike the log knows of in the last `seconds`, none dated after now.
  std::optional<Strike> newest(double seconds) const;
  // When (wall clock) the last strike was logged in this run, and the last slip was let go.
  std::optional<double> loggedAt() const { return loggedAt_; }
  std::optional<double> slipAt() const { return slipAt_; }
  const std::shared_ptr<StrikeStore>& strikes() const { return services_.strikes; }
  // Where the person is now, as far as the position knows it.
  std::optional<GeoPoint> here() const { return services_.position ? services_.position->position() : std::nullopt; }

  // What the user is to know about the log itself (that it keeps its strikes in another file), as
  // the log said it; shown on the storm's panel for the rest of the run.
  void setLogNotice(std::string notice);
  const std::string& logNotice() const { return logNotice_; }

  // `changed` is called whenever the shelter, the all-clear, the log's recent strikes or whether a
  // measurement runs change; `storm` tells whether anything but the last did.
  void addObserver(std::function<void(bool storm)> changed);

 private:
  void logCleared();
  void feed();
  void countdownEnded();
  void tell(bool storm = true);
  // After the log has lost strikes: the countdown and the circle's strike from what is left.
  void refeed();
  std::string localized(const char* key) const;

  const Services services_;
  ShelterCountdown countdown_;
  bool allClear_ = false;
  std::optional<double> circleStrike_;
  std::optional<double> loggedAt_;
  std::optional<double> slipAt_;
  bool timing_ = false;
  std::vector<std::string> notified_;
  std::string logNotice_;
  std::vector<std::function<void(bool)>> observers_;
};

}  // namespace storm
