#pragma once

#include <optional>

#include "map/UserPosition.h"

// What is known of the user's position and how far to trust it: the last fix of a position
// source; a place the user set or one kept from an earlier run, which stands while there is no
// fix; a position put in place of every source (automation, tests); and why the desktop's
// location service gives none. Plain data, no clock of its own: ages are worked out at a time given.

namespace storm {

// A fix coarser than this (metres) is called approximate.
inline constexpr double kApproximateMetres = 1000;
// An accuracy coarser than this (metres) says nothing: it is taken as unknown (0), as are one that
// is missing, not a number, infinite, negative or 0.
inline constexpr double kCoarsestAccuracyMetres = 1e6;
// A fix of a live source older than this (seconds) is no longer the current position.
inline constexpr double kFixStaleSeconds = 5 * 60;

class PositionState {
 public:
  // How the map should speak of the position.
  enum class Standing {
    Unknown,      // no position at all
    Current,      // a recent fix, or a position given outright
    Approximate,  // a recent fix coarser than kApproximateMetres, or of unknown accuracy
    Old,          // a fix older than kFixStaleSeconds or from a source that has a problem now, or a
                  // kept place of known age
    Kept,         // a kept place of unknown age
    SetByUser,    // the place the user set in this run
  };

  // The fix, else the place; nothing when neither is known.
  std::optional<PositionReport> report() const;
  Standing standingAt(double now) const;
  // Seconds from the report's time to `now`; nothing when its time is unknown.
  std::optional<double> ageAt(double now) const;

  // A source's fix, or its loss (nothing). Ignored while a position is given outright.
  // True when the report changed.
  bool setFix(std::optional<PositionReport> fix);
  // Puts `report` in place of every source from now on (nothing: no position at all).
  void giveOutright(std::optional<PositionReport> report);
  // Stops giving a position outright: sources are heard again, starting with no fix.
  void stopGivingOutright();
  bool givenOutright() const { return outright_; }
  // The user's own place: their position until the next fix.
  void setByUser(PositionReport place);
  // A place kept from before, which stands while there is no fix. False (and nothing changes) when
  // there is a fix.
  bool restore(PositionReport place);

  PositionProblem problem() const { return problem_; }
  // True when it changed.
  bool setProblem(PositionProblem problem);

 private:
  std::optional<PositionReport> fix_;
  std::optional<PositionReport> place_;  // source Pinned or Remembered
  bool outright_ = false;
  PositionProblem problem_ = PositionProblem::None;
};

}  // namespace storm
