#pragma once

#include <optional>
#include <vector>

#include "map/Coordinates.h"
#include "storm/Strike.h"

// Where the storm is going, from the strikes whose flash was given a direction.
//
// Each such strike was placed on the map, but only roughly where the storm was: its channel struck
// somewhere in a cell a few kilometres across, and the direction a person points at a flash is off
// by some ten degrees, which across a distance of kilometres is kilometres too. So the track is a
// centre moving in a straight line at a steady speed, fitted to the placed strikes of the last half
// hour by weighted least squares, each strike weighted by how far off it may be (the cell's scatter
// all round, the direction's error across its bearing, the timing's along it), and made robust by
// reweighting: a strike far from the line counts less, one very far off not at all. The motion is
// claimed only when the fitted speed stands well clear of its own uncertainty (99 %); "steady" only
// when the whole of its 95 % region is slow; nothing otherwise.

namespace storm {

inline constexpr double kTrackWindowSeconds = 30 * 60;
inline constexpr int kTrackLeastStrikes = 4;
inline constexpr double kTrackLeastSpanSeconds = 5 * 60;
// A storm's strikes about its centre (one standard deviation along each axis).
inline constexpr double kCellScatterKm = 2.0;
// How far off a person's direction of a flash is (one standard deviation).
inline constexpr double kBearingErrorDegrees = 10.0;
// The centre passing this close is the storm coming over the person.
inline constexpr double kOverheadKm = 3.0;

enum class TrackDirection { Approaching, MovingAway, Passing, Steady, Unclear };

struct Track {
  TrackDirection direction = TrackDirection::Unclear;
  // The centre's estimated position at the moment of the fit.
  CLLocationCoordinate2D centre;
  // Its motion: speed, the direction it moves to (degrees clockwise from north), and the half
  // angle of the cone within which that direction lies (95 %).
  double speedKmh = 0;
  double headingDegrees = 0;
  double headingSpreadDegrees = 180;
  // For a claimed motion: how close the centre comes to the person and when (minutes from the fit,
  // negative once past), where that is, and in which direction from the person.
  std::optional<double> closestKm;
  std::optional<double> closestInMinutes;
  CLLocationCoordinate2D closestPoint;
  double closestBearingDegrees = 0;
  // When the track brings the centre within kCloseKilometres of the person: minutes from the fit
  // (0 when it is already that close).
  std::optional<double> minutesTo10km;
  int strikes = 0;  // placed strikes the fit rests on (after the far-off ones were let go)
  // The fit itself, in the plane around the person: the centre's km east and north of them at
  // wall-clock `time` (the moment of the fit) and its velocity, km/h.
  double time = 0;
  double eastKm = 0, northKm = 0, eastKmh = 0, northKmh = 0;

  // How far the centre is from the person at wall-clock `when`, by the fitted line.
  double distanceAt(double when) const;
};

// The track at wall-clock `now` from the placed ones among `strikes` of the last kTrackWindowSeconds,
// for a person at `here`; nothing with fewer than kTrackLeastStrikes of them or a span shorter than
// kTrackLeastSpanSeconds.
std::optional<Track> trackAt(const std::vector<Strike>& strikes, CLLocationCoordinate2D here, double now);

// The same for the person where they measured the newest placed strike of the window from.
std::optional<Track> trackAt(const std::vector<Strike>& strikes, double now);

// "approaching", "moving away", "passing", "steady" or "unclear".
const char* trackDirectionName(TrackDirection direction);

}  // namespace storm
