#pragma once

#include <optional>
#include <span>
#include <utility>
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
// reweighting: a strike far from the line counts less, one very far off not at all, and where the
// strikes scatter wider than a storm's own, the scatter they show (a robust estimate, so that a
// few far-off strikes neither hide nor make it) widens every uncertainty. A direction more than
// kSetAsideDegrees from what the flashes around it in time agree on is set aside before the fit.
// The motion is claimed only when the fitted speed stands well clear of its own uncertainty
// (99.5 %); "steady" only when the whole of its 95 % region is slow; nothing otherwise. The fit is
// made in a frame around the person (distances and directions from them), so that it holds at any
// latitude, the poles' surroundings included.

namespace storm {

inline constexpr double kTrackWindowSeconds = 30 * 60;
inline constexpr int kTrackLeastStrikes = 4;
inline constexpr double kTrackLeastSpanSeconds = 5 * 60;
// The most placed strikes a fit rests on: those of a busier half hour are thinned evenly in time.
inline constexpr int kTrackMostStrikes = 200;
// A storm's strikes about its centre (one standard deviation along each axis): 2.5 to 3 km in
// real storms.
inline constexpr double kCellScatterKm = 2.5;
// How far off a person's direction of a flash is (one standard deviation): 15 to 20 degrees.
inline constexpr double kBearingErrorDegrees = 15.0;
// The centre passing this close is the storm coming over the person.
inline constexpr double kOverheadKm = 3.0;
// "Heading straight for you" only when the closest approach and its 95 % error together stay
// within this.
inline constexpr double kStraightForYouKm = 5.0;
// A flash pointed this far from the direction the flashes around it agree on is set aside.
inline constexpr double kSetAsideDegrees = 45.0;

enum class TrackDirection { Approaching, MovingAway, Passing, Steady, Unclear };

struct Track {
  TrackDirection direction = TrackDirection::Unclear;
  // The centre's estimated position at the moment of the fit.
  GeoPoint centre;
  // Its motion: speed, the direction it moves to (degrees clockwise from north), and the half
  // angle of the cone within which that direction lies (95 %).
  double speedKmh = 0;
  double headingDegrees = 0;
  double headingSpreadDegrees = 180;
  // For a claimed motion: how close the centre comes to the person and when (minutes from the fit,
  // negative once past), where that is, and in which direction from the person.
  std::optional<double> closestKm;
  std::optional<double> closestInMinutes;
  // How far off the closest approach may be across the path (one standard error, km).
  double closestErrorKm = 0;
  GeoPoint closestPoint;
  double closestBearingDegrees = 0;
  // When the track brings the centre within kCloseKilometres of the person: minutes from the fit
  // (0 when it is already that close).
  std::optional<double> minutesTo10km;
  int strikes = 0;  // placed strikes the fit rests on (after the far-off ones were let go)
  // The flash times of the strikes whose direction was set aside, against the others' consensus.
  std::vector<double> setAside;
  // How far the newest placed strikes lie from the person, against where the fit expects them, on
  // average and in their standard errors: negative when they are nearer.
  double recentOffset = 0;
  // Why no motion is claimed although the fit has one; nothing otherwise.
  const char* withheld = nullptr;
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
std::optional<Track> trackAt(std::span<const Strike> strikes, GeoPoint here, double now);

// The same for the person where they measured the newest placed strike of the window from.
std::optional<Track> trackAt(const std::vector<Strike>& strikes, double now);

// Where `point` lies from `here`, east and north in km along the surface (azimuthal equidistant on
// a sphere: true distances and directions from `here`, wherever it is), and back.
std::pair<double, double> localKm(GeoPoint here, GeoPoint point);
GeoPoint fromLocalKm(GeoPoint here, double eastKm, double northKm);

// "approaching", "moving away", "passing", "steady" or "unclear".
const char* trackDirectionName(TrackDirection direction);

}  // namespace storm
