#include <gtest/gtest.h>

#include "screens/ViewLayout.h"

// The frames autoresizing gives a view when its superview changes size.

namespace storm {
namespace {

struct ResizeCase {
  unsigned mask;
  Rect before;
  Rect after;
};

class Autoresizing : public ::testing::TestWithParam<ResizeCase> {};

TEST_P(Autoresizing, SharesTheChangeAmongTheFlexibleParts) {
  EXPECT_EQ(autoresizedFrame(GetParam().before, GetParam().mask, {320, 480}, {480, 320}), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(Masks, Autoresizing,
                         ::testing::Values(ResizeCase{0, {10, 10, 100, 100}, {10, 10, 100, 100}},
                                           ResizeCase{18, {0, 0, 320, 480}, {0, 0, 480, 320}},
                                           ResizeCase{18, {0, 0, 320, 430}, {0, 0, 480, 270}},
                                           ResizeCase{
                                               8 | 2, {0, 430, 320, 50}, {0, 270, 480, 50}},  // pinned to the bottom
                                           ResizeCase{1 | 4, {110, 0, 100, 10}, {190, 0, 100, 10}}));  // stays centred

}  // namespace
}  // namespace storm
