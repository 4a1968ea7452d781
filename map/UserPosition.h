#pragma once

#include <functional>
#include <optional>

#include "map/Coordinates.h"

// The user's position as the map holds it: a fix from a position source, or a place the user set
// on the map ("I am here") or that was kept from an earlier run, which stands until a fix arrives.
// Main thread only.

namespace storm {

class UserPosition {
 public:
  enum class Origin { Fix, SetByUser };

  virtual ~UserPosition() = default;
  // A fix if there is one, else the place set; nothing when neither is known.
  virtual std::optional<CLLocationCoordinate2D> position() const = 0;
  // The radius of the position's uncertainty in metres; 0 when its source did not say.
  virtual double accuracy() const { return 0; }
  // Told of each fix and each place the user sets, as they arrive.
  virtual void setObserver(std::function<void(CLLocationCoordinate2D, Origin)> observer) = 0;
  // Takes `place` as the user's position until a fix arrives; the observer is not told.
  virtual void restore(CLLocationCoordinate2D place) = 0;
  // Centres the map on `place`, showing `metres` of ground across its narrower side.
  virtual void showAround(CLLocationCoordinate2D place, double metres) = 0;
};

}  // namespace storm
