#pragma once

#include <memory>
#include <string>
#include <vector>

#include "map/Coordinates.h"
#include "storm/StormWatch.h"
#include "system/Clock.h"
#include "system/Locale.h"

// What the map shows of the storm besides the main screen's distance circle: thin rings of the
// last hour's earlier strikes, fading with age, and a panel with the storm's trend, the call to
// shelter with its countdown, and the all-clear. The picture follows the storm watch and the
// clock: at the next second of the countdown while sheltering, a minute on while rings or a trend
// are shown, and not at all otherwise.

namespace storm {

// An earlier strike's distance: a thin ring of `km` radius around where it was measured from, at
// `opacity` (0 to 1).
struct StrikeRing {
  CLLocationCoordinate2D center;
  double km = 0;
  double opacity = 1;
  friend bool operator==(const StrikeRing&, const StrikeRing&) = default;
};

// The storm's lines in a small panel at the top of the map; an empty line is not shown.
struct StormPanel {
  std::string trend;      // whether the storm comes closer
  std::string shelter;    // the call to take shelter
  std::string countdown;  // the time left until the all-clear, while sheltering
  std::string clear;      // the all-clear, until the next strike
  friend bool operator==(const StormPanel&, const StormPanel&) = default;
};

// Where the picture is drawn: the storm's layer of the map.
class StormMapLayer {
 public:
  virtual ~StormMapLayer() = default;
  // Newest first.
  virtual void setStrikeRings(std::vector<StrikeRing> rings) = 0;
  virtual void setStormPanel(const StormPanel& panel) = 0;
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
  std::string localized(const char* key) const;

  const std::shared_ptr<StormWatch> watch_;
  const std::shared_ptr<StormMapLayer> layer_;
  const Services services_;
  StormPanel panel_;
  std::shared_ptr<Timer> timer_;
  double refreshedAt_ = 0;  // wall-clock time the rings and the trend were last worked out
  bool changes_ = false;    // rings or a trend are on show: they change as time passes
};

}  // namespace storm
