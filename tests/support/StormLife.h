#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "SyntheticStorm.h"
#include "map/GeoMath.h"
#include "storm/StormJudgment.h"

// Whole storms with a known truth, judged as the app judges them after every stop of their life,
// and scored by what the person was told: a direction the storm does not have, "moving away" while
// it comes, "keeping its distance" while it closes fast, "heading straight for you" for a storm
// that passes far off, and whether a moving storm was called right by its last strike.
//
// The person stands at kSyntheticHere (and may move once, by `personMoveKm`); the storm's centre
// stands at (east, north) km from there and, from minute `movesFrom` on, moves at `speedKmh`
// towards `headingDegrees`. Strikes fall at random times over `minutes`, each in a cell around the
// centre (a normal spread of `cellKm` along each axis), or around a second, still centre; each
// distance is timed with a person's error and, with `bearings`, each flash pointed at with an
// error of `bearingErrorDegrees`.

namespace storm::test {

struct StormLife {
  double east = 15, north = 0;
  double speedKmh = 0, headingDegrees = 270, movesFrom = 0;
  std::optional<std::pair<double, double>> second;  // a second storm, standing still
  double cellKm = 2.5, bearingErrorDegrees = 15, timingKm = 0.1;
  double minutes = 30;
  int strikes = 15;
  bool bearings = true;
  double personMoveKm = 0, personMoveHeading = 270, personMoveMinute = 0;
  bool wildNewest = false;  // at each moment, the newest flash pointed at the opposite side
  enum class Shape { Cell, AllAround, AlongBearing } shape = Shape::Cell;

  std::pair<double, double> centre(double minute) const {
    const double km = speedKmh * std::max(0.0, minute - movesFrom) / 60, h = headingDegrees * M_PI / 180;
    return {east + km * std::sin(h), north + km * std::cos(h)};
  }
  std::pair<double, double> velocity(double minute) const {
    if (minute < movesFrom) return {0, 0};
    const double h = headingDegrees * M_PI / 180;
    return {speedKmh * std::sin(h), speedKmh * std::cos(h)};
  }
  std::pair<double, double> person(double minute) const {
    if (personMoveKm <= 0 || minute < personMoveMinute) return {0, 0};
    const double h = personMoveHeading * M_PI / 180;
    return {personMoveKm * std::sin(h), personMoveKm * std::cos(h)};
  }
};

// What a storm's life came to: in how many of its moments each kind of error was made, whether any
// claim at all was made of a storm with no motion, and how its last moment was judged.
struct LifeScore {
  bool anyMotion = false, trendMotion = false, trackMotion = false, falseAway = false, falseSteady = false,
       falseStraight = false, wrongDirection = false;
  bool eligible = false;  // moving, at least 12 strikes, within 15 km at the last
  bool rightAtEnd = false, claimAtEnd = false;
};

inline double degreesOff(double a, double b) { return std::abs(std::remainder(a - b, 360.0)); }

// The judgment the app makes at each stop of `life`, scored against the truth.
inline LifeScore liveStorm(const StormLife& life, std::mt19937& random, double now) {
  const double start = now - life.minutes * 60;
  std::uniform_real_distribution<double> when(0, life.minutes), unit(0, 1);
  std::normal_distribution<double> cell(0, life.cellKm), timing(0, life.timingKm),
      pointing(0, life.bearingErrorDegrees);
  std::vector<double> minutes;
  for (int i = 0; i < life.strikes; ++i) minutes.push_back(when(random));
  std::sort(minutes.begin(), minutes.end());
  std::vector<Strike> strikes;
  LifeScore score;
  for (double minute : minutes) {
    auto [ce, cn] = life.centre(minute);
    if (life.second && unit(random) < 0.5) std::tie(ce, cn) = *life.second;
    const auto [pe, pn] = life.person(minute);
    double x = ce + cell(random), y = cn + cell(random);
    if (life.shape == StormLife::Shape::AllAround) {
      const double angle = unit(random) * 2 * M_PI, r = std::hypot(ce, cn) + cell(random);
      x = r * std::sin(angle);
      y = r * std::cos(angle);
    } else if (life.shape == StormLife::Shape::AlongBearing) {
      const double r = std::hypot(ce, cn) + 12 * (unit(random) - 0.5),
                   angle = std::atan2(ce, cn) + 0.02 * (unit(random) - 0.5);
      x = r * std::sin(angle);
      y = r * std::cos(angle);
    }
    const GeoPoint from = fromLocalKm(kSyntheticHere, pe, pn);
    Strike s;
    s.time = start + minute * 60;
    s.km = std::max(0.1, std::hypot(x - pe, y - pn) + timing(random));
    s.speed = 0.34029;
    s.delay = s.km / s.speed;
    s.position = StrikePosition{from.latitude, from.longitude, 10, "fixed"};
    if (life.bearings) {
      StrikeBearing b;
      b.degrees = std::fmod(std::atan2(x - pe, y - pn) * 180 / M_PI + pointing(random) + 720, 360);
      b.placed = geo::destination(from, b.degrees, s.km * 1000);
      s.bearing = b;
    }
    strikes.push_back(s);
    std::vector<Strike> seen = strikes;
    if (life.wildNewest && life.bearings) {
      StrikeBearing& b = *seen.back().bearing;
      b.degrees = std::fmod(b.degrees + 180 + 60 * (unit(random) - 0.5) + 360, 360);
      b.placed = geo::destination(from, b.degrees, s.km * 1000);
    }
    // The moment the thunder is heard, judged from where the person stands then.
    const double at = s.thunderTime(), atMinute = (at - start) / 60;
    const StormJudgment judged = judgeStorm(seen, from, at);

    // The truth then: how fast the storm nears the person, and how near it will ever come.
    const auto [te, tn] = life.centre(atMinute);
    const auto [ve, vn] = life.velocity(atMinute);
    const double de = te - pe, dn = tn - pn, distance = std::hypot(de, dn), speed = std::hypot(ve, vn);
    const double rate = distance > 0 ? (de * ve + dn * vn) / distance : 0;  // km/h, negative while it comes
    const double hours = speed > 0 ? std::max(0.0, -(de * ve + dn * vn) / (speed * speed)) : 0;
    const double closest = std::hypot(de + ve * hours, dn + vn * hours);
    const bool moving = speed > 0 && !life.second && life.shape == StormLife::Shape::Cell;
    const double heading = std::fmod(std::atan2(ve, vn) * 180 / M_PI + 360, 360);

    const TrendDirection trend = judged.trend ? judged.trend->direction : TrendDirection::Unclear;
    const TrackDirection track = judged.track ? judged.track->direction : TrackDirection::Unclear;
    const bool trackMotion =
        track == TrackDirection::Approaching || track == TrackDirection::Passing || track == TrackDirection::MovingAway;
    const bool trendMotion = trend == TrendDirection::Approaching || trend == TrendDirection::MovingAway;
    score.anyMotion |= trendMotion || trackMotion;
    score.trendMotion |= trendMotion;
    score.trackMotion |= trackMotion;
    score.falseAway |= (trend == TrendDirection::MovingAway || track == TrackDirection::MovingAway) && rate < -5;
    score.falseSteady |= (trend == TrendDirection::Steady || track == TrackDirection::Steady) && rate < -20;
    score.falseStraight |= track == TrackDirection::Approaching && closest > 12;
    const bool trendWrong = (trend == TrendDirection::Approaching && rate > 5) ||
                            (trend == TrendDirection::MovingAway && rate < -5) || (trendMotion && !moving);
    const bool trackWrong = trackMotion && (!moving || degreesOff(judged.track->headingDegrees, heading) > 45);
    score.wrongDirection |= trendWrong || trackWrong;
    if (minute == minutes.back()) {
      score.eligible = moving && speed >= 20 && life.strikes >= 12 && distance <= 15;
      const bool trendRight =
          (trend == TrendDirection::Approaching && rate < 0) || (trend == TrendDirection::MovingAway && rate > 0);
      const bool trackRight = trackMotion && moving && degreesOff(judged.track->headingDegrees, heading) <= 45;
      score.rightAtEnd = trendRight || trackRight;
      score.claimAtEnd =
          trendMotion || trackMotion || trend == TrendDirection::Steady || track == TrackDirection::Steady;
    }
  }
  return score;
}

// A kind of storm, drawn at random within its kind.
struct LifeClass {
  const char* name;
  std::function<StormLife(std::mt19937&)> make;
};

// Thunder is heard up to about 25 km: a storm's life here is the time it spends that near, up to
// `most` minutes, on a straight path `offsetKm` to the side of the person (signed) whose centre is
// `endKm` along it at the last moment (negative: still before its closest approach).
inline void onPath(StormLife& life, std::mt19937& random, double offsetKm, double endKm, double most = 40) {
  std::uniform_real_distribution<double> unit(0, 1);
  life.speedKmh = 20 + 50 * unit(random);
  life.headingDegrees = 360 * unit(random);
  const double h = life.headingDegrees * M_PI / 180, farthest = std::sqrt(std::max(0.0, 25 * 25 - offsetKm * offsetKm));
  life.minutes = std::max(6.0, std::min((20 + (most - 20) * unit(random)), (endKm + farthest) * 60 / life.speedKmh));
  const double startAlong = endKm - life.speedKmh * (life.minutes - life.movesFrom) / 60;
  life.east = offsetKm * std::cos(h) + startAlong * std::sin(h);
  life.north = -offsetKm * std::sin(h) + startAlong * std::cos(h);
}

inline std::vector<LifeClass> lifeClasses(bool bearings) {
  auto base = [bearings](std::mt19937& random) {
    std::uniform_real_distribution<double> unit(0, 1);
    StormLife life;
    life.bearings = bearings;
    life.cellKm = 2 + unit(random);
    life.bearingErrorDegrees = 10 + 10 * unit(random);
    life.minutes = 20 + 20 * unit(random);
    life.strikes = std::uniform_int_distribution<int>(6, 30)(random);
    return life;
  };
  auto still = [base](double least, double most, double cellKm = 0) {
    return [=](std::mt19937& random) {
      std::uniform_real_distribution<double> unit(0, 1);
      StormLife life = base(random);
      const double r = least + (most - least) * unit(random), a = 2 * M_PI * unit(random);
      life.east = r * std::sin(a);
      life.north = r * std::cos(a);
      if (cellKm > 0) life.cellKm = cellKm;
      return life;
    };
  };
  auto moving = [base](double offsetLeast, double offsetMost, double endLeast, double endMost) {
    return [=](std::mt19937& random) {
      std::uniform_real_distribution<double> unit(0, 1);
      StormLife life = base(random);
      const double offset = (offsetLeast + (offsetMost - offsetLeast) * unit(random)) * (unit(random) < 0.5 ? -1 : 1);
      onPath(life, random, offset, endLeast + (endMost - endLeast) * unit(random));
      return life;
    };
  };
  std::vector<LifeClass> classes = {
      {"still", still(5, 25)},
      {"approaching", moving(0, 3, -15, -4)},
      {"receding", moving(0, 3, 4, 15)},
      {"passing 5 km off", moving(5, 5, -12, 3)},
      {"passing 12 km off", moving(12, 12, -12, 6)},
      {"moving, any path", moving(0, 15, -15, 15)},
      {"still, then coming",
       [base](std::mt19937& random) {
         std::uniform_real_distribution<double> unit(0, 1);
         StormLife life = base(random);
         life.movesFrom = life.minutes * (0.4 + 0.3 * unit(random));
         onPath(life, random, 3 * (2 * unit(random) - 1), -3 - 9 * unit(random), life.minutes);
         return life;
       }},
      {"two cells, still",
       [base](std::mt19937& random) {
         std::uniform_real_distribution<double> unit(0, 1);
         StormLife life = base(random);
         const double a = 2 * M_PI * unit(random), b = 2 * M_PI * unit(random), near = 5 + 4 * unit(random),
                      far = 15 + 4 * unit(random);
         life.east = near * std::sin(a);
         life.north = near * std::cos(a);
         life.second = std::pair{far * std::sin(b), far * std::cos(b)};
         return life;
       }},
      {"person moves, still",
       [still](std::mt19937& random) {
         std::uniform_real_distribution<double> unit(0, 1);
         StormLife life = still(8, 20)(random);
         life.personMoveKm = 5 + 10 * unit(random);
         life.personMoveHeading = 360 * unit(random);
         life.personMoveMinute = life.minutes * (0.3 + 0.4 * unit(random));
         return life;
       }},
      {"person moves, coming",
       [moving](std::mt19937& random) {
         std::uniform_real_distribution<double> unit(0, 1);
         StormLife life = moving(0, 3, -15, -4)(random);
         life.personMoveKm = 5 + 10 * unit(random);
         life.personMoveHeading = 360 * unit(random);
         life.personMoveMinute = life.minutes * (0.3 + 0.4 * unit(random));
         return life;
       }},
      {"still, scatter 4 km", still(8, 20, 4)},
      {"still, scatter 6 km", still(8, 20, 6)},
      {"still, all around",
       [still](std::mt19937& random) {
         StormLife life = still(6, 12)(random);
         life.shape = StormLife::Shape::AllAround;
         return life;
       }},
      {"still, along a bearing",
       [still](std::mt19937& random) {
         StormLife life = still(10, 18)(random);
         life.shape = StormLife::Shape::AlongBearing;
         return life;
       }},
  };
  if (bearings)
    classes.push_back({"wild newest, coming", [moving](std::mt19937& random) {
                         StormLife life = moving(0, 3, -15, -4)(random);
                         life.wildNewest = true;
                         return life;
                       }});
  return classes;
}

struct ClassScore {
  int storms = 0, anyMotion = 0, trendMotion = 0, trackMotion = 0, falseAway = 0, falseSteady = 0, falseStraight = 0,
      wrong = 0;
  int eligible = 0, right = 0, claimAtEnd = 0;
  void add(const LifeScore& s) {
    ++storms;
    anyMotion += s.anyMotion;
    trendMotion += s.trendMotion;
    trackMotion += s.trackMotion;
    falseAway += s.falseAway;
    falseSteady += s.falseSteady;
    falseStraight += s.falseStraight;
    wrong += s.wrongDirection;
    claimAtEnd += s.claimAtEnd;
    eligible += s.eligible;
    right += s.eligible && s.rightAtEnd;
  }
};

inline ClassScore scoreClass(const LifeClass& kind, int storms, unsigned seed) {
  constexpr double kNow = 1'750'000'000;
  std::mt19937 random(seed);
  ClassScore score;
  for (int i = 0; i < storms; ++i) score.add(liveStorm(kind.make(random), random, kNow));
  return score;
}

// The table of every kind: the share of storms ever told each wrong thing, and of the moving ones
// near enough at the end, the share called right by their last strike.
inline void printLifeTable(bool bearings, int storms) {
  std::printf("\nover each storm's whole life (judged after every stop, %s; %d storms a row, seeded)\n",
              bearings ? "every flash pointed at" : "distances only", storms);
  std::printf("%-24s | %7s %7s %7s %7s %7s %7s %7s | %7s %9s\n", "storm", "motion", "trend", "track", "away!",
              "steady!", "straight!", "wrong", "claim@end", "right@end");
  ClassScore moving;
  unsigned seed = 100;
  for (const LifeClass& kind : lifeClasses(bearings)) {
    const ClassScore s = scoreClass(kind, storms, seed++);
    auto pct = [&](int n, int of) { return of > 0 ? 100.0 * n / of : 0.0; };
    std::printf("%-24s | %6.1f%% %6.1f%% %6.1f%% %6.2f%% %6.2f%% %6.2f%% %6.1f%% | %6.1f%% %6.1f%% of %d\n", kind.name,
                pct(s.anyMotion, s.storms), pct(s.trendMotion, s.storms), pct(s.trackMotion, s.storms),
                pct(s.falseAway, s.storms), pct(s.falseSteady, s.storms), pct(s.falseStraight, s.storms),
                pct(s.wrong, s.storms), pct(s.claimAtEnd, s.storms), pct(s.right, s.eligible), s.eligible);
    moving.eligible += s.eligible;
    moving.right += s.right;
  }
  std::printf(
      "moving storms (20-70 km/h, 12+ strikes, within 15 km at the last) called right by the last "
      "strike: %.1f%% of %d\n",
      moving.eligible ? 100.0 * moving.right / moving.eligible : 0.0, moving.eligible);
  std::printf(
      "columns: motion = ever given a motion; away! = \"moving away\" while it closed by more than 5 km/h;\n"
      "steady! = keeping its distance / barely moving while it closed by more than 20 km/h; straight! =\n"
      "\"heading straight for you\" while it would never come within 12 km; wrong = ever a direction it\n"
      "did not have; claim@end = any claim at the last strike.\n");
}

}  // namespace storm::test
