#include <gtest/gtest.h>

#include "measure/Measurement.h"
#include "system/NumberParsing.h"

namespace storm {
namespace {

struct WorkedExample {
  const char* timeText;
  float seconds;
  double kilometres;
  double miles;
  const char* distText;
};

class DistanceFromLabel : public ::testing::TestWithParam<WorkedExample> {};

TEST_P(DistanceFromLabel, IsBitExact) {
  const auto& c = GetParam();
  const float s = floatValue(c.timeText);
  EXPECT_EQ(s, c.seconds);
  const Distance d = distanceForSeconds(s);
  EXPECT_EQ(static_cast<double>(d.kilometres), c.kilometres);
  EXPECT_EQ(static_cast<double>(d.miles), c.miles);
  EXPECT_EQ(distanceText(d), c.distText);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, DistanceFromLabel,
    ::testing::Values(WorkedExample{"3.000", 3.0f, 1.0208699703216553, 0.6343392133712769, "0.63mi or 1.02km"},
                      WorkedExample{"10.500", 10.5f, 3.573045015335083, 2.220187187194824, "2.22mi or 3.57km"},
                      WorkedExample{"29.386", 29.385999679565430f, 9.999761581420898, 6.213563919067383,
                                    "6.21mi or 10.00km"},
                      WorkedExample{"5.250", 5.25f, 1.7865225076675415, 1.110093593597412, "1.11mi or 1.79km"},
                      WorkedExample{"0.000", 0.0f, 0.0, 0.0, "0.00mi or 0.00km"}));

}  // namespace
}  // namespace storm
