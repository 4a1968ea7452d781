#include <gtest/gtest.h>

#include <string>

#include "map/CoordinateText.h"

// Positions typed by hand: the forms people write them in, and everything else refused with the
// reason, never read as some other place.

namespace storm {
namespace {

using Problem = CoordinateReading::Problem;

TEST(CoordinateText, ReadsDecimalAndSexagesimalFormsAndRefusesTheRest) {
  struct Case {
    std::string text;
    double lat, lon;
  };
  const Case read[] = {
      {"52.52, 13.405", 52.52, 13.405},
      {"-33.9 151.2", -33.9, 151.2},
      {"  +40.7128;-74.0060 ", 40.7128, -74.006},
      {"52,52 13,405", 52.52, 13.405},  // decimal commas, where nothing else is meant
      {"52\u00b031'12\"N 13\u00b024'18\"E", 52.52, 13.405},
      {"52\u00b0 31\u2032 12\u2033 N, 13\u00b0 24\u2032 18\u2033 E", 52.52, 13.405},
      {"52d31'12''n 13d24'18''e", 52.52, 13.405},
      {"33\u00b054'S 151\u00b012'E", -33.9, 151.2},
      {"W 74.006 N 40.7128", 40.7128, -74.006},  // the hemispheres say which is which
      {"0\u00b030'W 51\u00b030'N", 51.5, -0.5},
      {"\u221233.9 151.2", -33.9, 151.2},
      {"90 -180", 90, -180},
  };
  for (const Case& c : read) {
    const CoordinateReading reading = readCoordinates(c.text);
    EXPECT_EQ(reading.problem, Problem::None) << c.text;
    EXPECT_NEAR(reading.place.latitude, c.lat, 1e-9) << c.text;
    EXPECT_NEAR(reading.place.longitude, c.lon, 1e-9) << c.text;
  }

  const std::pair<std::string, Problem> judged[] = {
      {"", Problem::Unreadable},
      {"52.52", Problem::Unreadable},
      {"52.52, 13.405, 7", Problem::Unreadable},
      {"Berlin", Problem::Unreadable},
      {"52,13", Problem::Unreadable},             // one number with a decimal comma, or two: not a guess
      {"52.5\u00b030' 13", Problem::Unreadable},  // minutes after a fraction of a degree
      {"52\u00b061'N 13\u00b0E", Problem::Unreadable},
      {"52\u00b012\" 13", Problem::Unreadable},  // seconds without minutes
      {"-52 N 13 E", Problem::Unreadable},
      {"52 N 13 S", Problem::Unreadable},
      {"1e5 3", Problem::Unreadable},
      {"90.5, 10", Problem::Latitude},
      {"10, 180.01", Problem::Longitude},
      {"100\u00b0E 10\u00b0N", Problem::None},
  };
  for (const auto& [text, problem] : judged) EXPECT_EQ(readCoordinates(text).problem, problem) << text;
}

}  // namespace
}  // namespace storm
