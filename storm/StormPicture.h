#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "map/Coordinates.h"
#include "storm/StormWatch.h"
#include "system/Clock.h"
#include "system/Locale.h"

// What the map shows of the storm besides the main screen's distance circle: thin rings of the
// last hour's earlier strikes, fading with age, and a panel with the call to shelter and its
// countdown, the all-clear, the storm's trend and how long ago its last strike was, a note when a
// stop was not logged, and the ways to undo the last strike and to see the whole storm. The
// picture follows the storm watch and the clock: at the next second of the countdown while
// sheltering, when a note or the offer to undo runs out, a minute on while rings, a trend or the
// last strike's age are shown, and not at all otherwise.

namespace storm {

// An earlier strike's distance: a thin ring of `km` radius around where it was measured from, at
// `opacity` (0 to 1).
struct StrikeRing {
  GeoPoint center;
  double km = 0;
  double opacity = 1;
  friend bool operator==(const StrikeRing&, const StrikeRing&) = default;
};

// A strike placed by the direction of its flash: a small mark at `km` along `bearing` from where it
// was measured, as wide as the direction's error across and as long as the distance's along, at
// `opacity`.
struct StrikeMark {
  GeoPoint from;
  double bearing = 0;
  double km = 0;
  double opacity = 1;
  bool setAside = false;  // its direction disagrees with the flashes around it: the track leaves it out
  friend bool operator==(const StrikeMark&, const StrikeMark&) = default;
};

// The storm's fitted path: an arrow from where its centre is now to where it will be in
// kTrackArrowMinutes, within the cone its heading may lie in, and the point of its closest
// approach to the person while that is still to come.
struct TrackPicture {
  GeoPoint centre;
  GeoPoint ahead;
  double headingDegrees = 0;
  double spreadDegrees = 0;
  double aheadKm = 0;
  std::optional<GeoPoint> closest;
  friend bool operator==(const TrackPicture&, const TrackPicture&) = default;
};

// The storm's lines in a small panel at the top of the map; an empty line is not shown.
struct StormPanel {
  std::string trend;             // whether the storm comes closer
  std::string track;             // where the storm is going
  std::string course;            // what that means for the person: closest approach, heading straight in, moving away
  std::string ask;               // the question for the direction of the last flash, while it is asked
  std::string askHint;           // how to answer it
  std::optional<double> askFor;  // the flash time of the strike it is asked for
  std::optional<GeoPoint> askFrom;  // where that strike was measured from
  std::string shelter;              // the call to take shelter
  std::string countdown;            // the time left until the all-clear, while sheltering
  std::string countdownSpoken;      // the same in whole minutes, for screen readers
  std::string clear;                // the all-clear, until the next strike
  std::string age;                  // how long ago the last strike was
  std::string note;                 // a stop that was not logged, and how to measure again; or where the log is
  bool undo = false;                // the last strike may be undone (for a moment after each stop)
  bool showStorm = false;           // the storm has more than one strike to fit the map to
  friend bool operator==(const StormPanel&, const StormPanel&) = default;
};

// The most rings drawn: those of the newest strikes. A storm that brings more within the hour adds
// nothing a person could tell apart, and would cost every refresh and every frame more.
inline constexpr std::size_t kMostStrikeRings = 100;
// How long the offer to undo and the note of a slip stay after a stop.
inline constexpr double kUndoSeconds = 10;
// How long the map asks for the direction of a flash after its stop.
inline constexpr double kBearingAskSeconds = 20;
// How far ahead the track's arrow reaches.
inline constexpr double kTrackArrowMinutes = 30;
// How long after the last strike its age is shown.
inline constexpr double kAgeShownSeconds = 3 * 3600;

// Where the picture is drawn: the storm's layer of the map.
class StormMapLayer {
 public:
  virtual ~StormMapLayer() = default;
  // Newest first.
  virtual void setStrikeRings(std::vector<StrikeRing> rings) = 0;
  virtual void setStormPanel(const StormPanel& panel) = 0;
  // What "show the storm" brings into view: every circle of the last hour's strikes; nothing when
  // no strike was measured somewhere.
  virtual void setStormRegion(std::optional<GeoRegion> region) { (void)region; }
  // Whether the main screen's circle stands for a storm that is over.
  virtual void setCirclePast(bool past) { (void)past; }
  // The placed strikes of the last hour, newest first, and the storm's track (nothing while none
  // is claimed).
  virtual void setStrikeMarks(std::vector<StrikeMark> marks) { (void)marks; }
  virtual void setStormTrack(std::optional<TrackPicture> track) { (void)track; }
};

class StormPicture : public std::enable_shared_from_this<StormPicture> {
 public:
  struct Services {
    std::shared_ptr<Clock> clock;
    std::shared_ptr<TimerScheduler> timers;
    std::shared_ptr<Locale> locale;
  };

  StormPicture(std::shared_ptr<StormWatch> watch, std::shared_ptr<StormMapLayer> layer, Services services);
  ~StormPicture();
  StormPicture(const StormPicture&) = delete;
  StormPicture& operator=(const StormPicture&) = delete;

  // Follows the watch from now on, and draws the picture now.
  void start();
  // Draws the picture afresh. The rings and the trend are worked out again only when `everything`
  // is asked for, or a minute after they last were; the countdown every time. Then sets the one
  // timer that calls it again.
  void refresh(bool everything);

 private:
  // When the moments after a stop end: the offer to undo, the question for the flash's direction,
  // the note of a slip.
  struct Moments {
    std::optional<double> undoEnds, askEnds, noteEnds;
  };
  // The rings, the marks, the track, the trend and the last strike's age, worked out afresh.
  void workOutStorm(double now);
  Moments momentsAfterStop(double now);
  void showShelter(const ShelterStatus& shelter);
  std::string localized(const char* key) const;
  std::string number(long long n) const;
  std::string minutesAndSeconds(double seconds) const;
  std::string ageText(double seconds) const;

  const std::shared_ptr<StormWatch> watch_;
  const std::shared_ptr<StormMapLayer> layer_;
  const Services services_;
  StormPanel panel_;
  std::shared_ptr<Timer> timer_;
  double refreshedAt_ = 0;        // wall-clock time the rings and the trend were last worked out
  bool changes_ = false;          // rings, a trend or an age are on show: they change as time passes
  std::optional<Strike> newest_;  // the log's newest strike at the last full refresh
  std::optional<double> pastAt_;  // when the circle's strike becomes the past, if it is not yet
};

}  // namespace storm
