#include <gtest/gtest.h>

#include "measure/Stopwatch.h"
#include "screens/MainViewController.h"
#include "support/FakeServices.h"
#include "support/FakeViews.h"

namespace storm {
namespace {

using fakes::FakeButton;
using fakes::FakeLabel;
using fakes::FakeMapView;
using fakes::FakeSegmentedControl;

// A main screen over fake views, with a stopwatch of its own.
class MainScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    controller = std::make_shared<MainViewController>(stopwatch, fake.mainScreen());
    controller->setTime(time);
    controller->setDist(dist);
    controller->setButtonP(buttonP);
    controller->setSwitcher(switcher);
    controller->setMapView(map);
    time->setText("0.000");
    dist->setText("Press at the flash");
  }
  void TearDown() override { stopwatch->reset(); }

  // One measurement of `seconds` on the manual clock.
  void measure(double seconds) {
    controller->button();
    fake.clock->advance(seconds);
    controller->button();
  }

  fakes::FakeServices fake;
  std::shared_ptr<Stopwatch> stopwatch = fake.stopwatch();
  std::shared_ptr<FakeLabel> time = std::make_shared<FakeLabel>();
  std::shared_ptr<FakeLabel> dist = std::make_shared<FakeLabel>();
  std::shared_ptr<FakeButton> buttonP = std::make_shared<FakeButton>();
  std::shared_ptr<FakeSegmentedControl> switcher = std::make_shared<FakeSegmentedControl>();
  std::shared_ptr<FakeMapView> map = std::make_shared<FakeMapView>();
  std::shared_ptr<MainViewController> controller;
};

TEST_F(MainScreenTest, StartPressClearsDistanceAndTimesFromThePress) {
  controller->button();
  EXPECT_EQ(dist->text(), "");
  EXPECT_EQ(buttonP->title(ControlStateNormal), "HEARD THUNDER");
  EXPECT_EQ(stopwatch->measurementPhase, MeasurementPhaseTiming);
  EXPECT_EQ(time->text(), "0.000") << "the time label keeps its text until the first tick";
  EXPECT_EQ(fake.clock->activeTimers(), 1u);

  fake.clock->advance(0.01);
  EXPECT_EQ(time->text(), "0.010");
  fake.clock->advance(0.995);
  EXPECT_EQ(time->text(), "1.000");  // the last tick that fell due
}

TEST_F(MainScreenTest, StopPressShowsTimeAndDistanceAndStopsTicking) {
  measure(10.5);
  EXPECT_EQ(time->text(), "10.500");
  EXPECT_EQ(dist->text(), "2.22mi or 3.57km");
  EXPECT_EQ(buttonP->title(ControlStateNormal), "SAW LIGHTNING");
  EXPECT_EQ(stopwatch->measurementPhase, MeasurementPhaseIdle);
  EXPECT_FALSE(stopwatch->timer);
  EXPECT_EQ(fake.clock->activeTimers(), 0u) << "no timer runs between measurements";
  const auto ticks = time->history.size();
  fake.clock->advance(5);
  EXPECT_EQ(time->history.size(), ticks);
}

TEST_F(MainScreenTest, StopBeforeTheFirstTickStillShowsTheFinalTime) {
  measure(0.004);
  EXPECT_EQ(time->text(), "0.004");
  EXPECT_EQ(dist->text(), "0.00mi or 0.00km");
}

struct LongInterval {
  double seconds;
  const char* time;
  const char* dist;
};

class MinuteAndBeyond : public MainScreenTest, public ::testing::WithParamInterface<LongInterval> {};

TEST_P(MinuteAndBeyond, TimeKeepsCountingPastTheMinute) {
  measure(GetParam().seconds);
  EXPECT_EQ(time->text(), GetParam().time);
  EXPECT_EQ(dist->text(), GetParam().dist);
}

INSTANTIATE_TEST_SUITE_P(Intervals, MinuteAndBeyond,
                         ::testing::Values(LongInterval{59.999, "59.999", "12.69mi or 20.42km"},
                                           LongInterval{60.0, "60.000", "12.69mi or 20.42km"},
                                           LongInterval{65.25, "65.250", "13.80mi or 22.20km"},
                                           LongInterval{3600.5, "3600.500", "761.31mi or 1225.21km"}));

TEST_F(MainScreenTest, WallClockChangesDoNotBendTheInterval) {
  controller->button();
  fake.clock->advance(4);
  fake.clock->setWallTime(fake.clock->now() - 3600);  // the user's clock jumps back an hour
  fake.clock->advance(6.5);
  controller->button();
  EXPECT_EQ(time->text(), "10.500");
}

TEST_F(MainScreenTest, EveryControllerSharesTheOneStopwatch) {
  auto other = std::make_shared<MainViewController>(stopwatch, fake.mainScreen());
  controller->button();
  fake.clock->advance(3);
  other->button();  // stops the measurement the first controller started
  EXPECT_EQ(stopwatch->measurementPhase, MeasurementPhaseIdle);
  EXPECT_EQ(fake.clock->activeTimers(), 0u);
}

TEST_F(MainScreenTest, NewStartTimesFromTheNewPress) {
  measure(3);
  fake.clock->advance(100);
  measure(10.5);
  EXPECT_EQ(time->text(), "10.500");
}

TEST_F(MainScreenTest, MissingViewsReadAsZeroAndNothingBreaks) {
  time.reset();  // the label is gone: its weak outlet is empty
  map.reset();
  measure(10.5);
  EXPECT_EQ(dist->text(), "0.00mi or 0.00km");
  EXPECT_EQ(buttonP->title(ControlStateNormal), "SAW LIGHTNING");
}

TEST_F(MainScreenTest, TimeTextWithoutANumberGivesZeroDistance) {
  controller->button();
  // A label whose text is no number, whatever the tick writes into it.
  class Deaf : public FakeLabel {
   public:
    void setText(const std::string&) override {}
    std::string text() const override { return "  .x"; }
  };
  auto deaf = std::make_shared<Deaf>();
  controller->setTime(deaf);
  controller->button();
  EXPECT_EQ(dist->text(), "0.00mi or 0.00km");
}

// ---- the storm map ----

struct CircleCase {
  double seconds;
  double radius;
  double extent;
};

class StormCircle : public MainScreenTest, public ::testing::WithParamInterface<CircleCase> {};

TEST_P(StormCircle, RadiusAndRegionComeFromTheKilometresInSinglePrecision) {
  map->location = CLLocationCoordinate2D{52.52, 13.405};
  measure(GetParam().seconds);
  ASSERT_EQ(map->overlays().size(), 1u);
  auto circle = std::dynamic_pointer_cast<MKCircle>(map->overlays().front());
  ASSERT_TRUE(circle);
  EXPECT_EQ(circle->radius(), GetParam().radius);
  EXPECT_EQ(circle->coordinate(), (CLLocationCoordinate2D{52.52, 13.405}));
  const auto expected = MKCoordinateRegionMakeWithDistance({52.52, 13.405}, GetParam().extent, GetParam().extent);
  EXPECT_EQ(map->askedToFit, expected);
  // The map shows the region it was asked to fit, as the map adjusted it.
  EXPECT_EQ(map->region().span.latitudeDelta, expected.span.latitudeDelta * 1.5);
}

INSTANTIATE_TEST_SUITE_P(WorkedExamples, StormCircle,
                         ::testing::Values(CircleCase{3.0, 1020.8699951171875, 2041.739990234375},
                                           CircleCase{10.5, 3573.044921875, 7146.08984375},
                                           CircleCase{29.386, 9999.76171875, 19999.5234375}));

TEST_F(MainScreenTest, StormCircleUpdateRunsItsStepsInOrder) {
  map->location = CLLocationCoordinate2D{1, 2};
  controller->updateStormCircle(1.0f);
  const std::vector<std::string> expected{"userLocation",       "userLocation", "regionThatFits", "setAutoresizingMask",
                                          "setRegion:animated", "userLocation", "overlays",       "removeOverlays",
                                          "addOverlay",         "setDelegate"};
  EXPECT_EQ(map->calls, expected);
  EXPECT_EQ(map->autoresizingMask(), 18u);
  EXPECT_EQ(map->delegate().lock(), controller);
}

TEST_F(MainScreenTest, ZeroDistanceStillFitsAndDrawsACircleOfRadiusZero) {
  map->location = CLLocationCoordinate2D{0, 0};
  controller->updateStormCircle(0.0f);
  ASSERT_EQ(map->overlays().size(), 1u);
  EXPECT_EQ(std::dynamic_pointer_cast<MKCircle>(map->overlays().front())->radius(), 0.0);
  EXPECT_EQ(map->askedToFit.span, (MKCoordinateSpan{0, 0}));
}

TEST_F(MainScreenTest, WithoutAnyPositionTheDistanceShowsTheMapStaysAndNoOlderCircleRemains) {
  map->location = CLLocationCoordinate2D{52.52, 13.405};
  measure(3);
  const auto region = map->region();
  map->location.reset();
  measure(10.5);
  EXPECT_EQ(dist->text(), "2.22mi or 3.57km");
  EXPECT_TRUE(map->overlays().empty()) << "no circle at (0, 0), and none of the earlier strike's";
  EXPECT_EQ(map->region(), region) << "the map does not move";
}

// Escape while timing drops the measurement and shows again the result the start replaced; at any
// other time it does nothing.
TEST_F(MainScreenTest, CancelDropsTheRunningMeasurementAndBringsBackTheResultItReplaced) {
  map->location = CLLocationCoordinate2D{52.52, 13.405};
  measure(3);
  const std::string shown = dist->text();
  controller->cancel();
  EXPECT_EQ(dist->text(), shown) << "idle: nothing changes";
  EXPECT_EQ(stopwatch->measurementPhase, MeasurementPhaseIdle);

  const auto circle = map->overlays().front();
  const auto region = map->region();
  controller->button();
  fake.clock->advance(4.2);
  controller->cancel();
  EXPECT_EQ(stopwatch->measurementPhase, MeasurementPhaseIdle);
  EXPECT_FALSE(stopwatch->timer);
  EXPECT_EQ(buttonP->title(ControlStateNormal), "SAW LIGHTNING");
  EXPECT_EQ(time->text(), "3.000");
  EXPECT_EQ(dist->text(), shown);
  EXPECT_EQ(map->overlays(), std::vector<std::shared_ptr<MKOverlay>>{circle});
  EXPECT_EQ(map->region(), region);
  fake.clock->advance(1);
  EXPECT_EQ(time->text(), "3.000") << "the tick has stopped";

  // The next press starts afresh.
  measure(10.5);
  EXPECT_EQ(time->text(), "10.500");
}

TEST_F(MainScreenTest, EachMeasurementReplacesTheCircleAndAStartKeepsIt) {
  map->location = CLLocationCoordinate2D{52.52, 13.405};
  measure(3);
  auto first = map->overlays().front();
  controller->button();  // start: the old circle stays
  EXPECT_EQ(map->overlays(), std::vector<std::shared_ptr<MKOverlay>>{first});
  fake.clock->advance(10.5);
  controller->button();
  ASSERT_EQ(map->overlays().size(), 1u);
  EXPECT_NE(map->overlays().front(), first);
}

TEST_F(MainScreenTest, CircleViewIsHalfBlackOutlineOverQuarterRedFill) {
  auto circle = MKCircle::circleWithCenterCoordinate({0, 0}, 10);
  auto view = controller->mapViewViewForOverlay(*map, circle);
  ASSERT_TRUE(view);
  EXPECT_TRUE(std::dynamic_pointer_cast<MKCircleView>(view));
  EXPECT_EQ(view->overlay(), circle);
  EXPECT_EQ(view->strokeColor(), (Color{0, 0, 0, 0.5f}));
  EXPECT_EQ(view->fillColor(), (Color{1, 0, 0, 0.25f}));
}

struct SwitchCase {
  int index;
  MKMapType expected;
};

class MapTypeSwitch : public MainScreenTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(MapTypeSwitch, SelectedSegmentPicksTheMapType) {
  map->setMapType(MKMapTypeSatellite);
  switcher->setSelectedSegmentIndex(GetParam().index);
  controller->switcher(nullptr);
  EXPECT_EQ(map->mapType(), GetParam().expected);
  EXPECT_EQ(switcher->reads, 3) << "the index is read afresh for each of the three tests";
}

INSTANTIATE_TEST_SUITE_P(Segments, MapTypeSwitch,
                         ::testing::Values(SwitchCase{0, MKMapTypeStandard}, SwitchCase{1, MKMapTypeSatellite},
                                           SwitchCase{2, MKMapTypeHybrid}, SwitchCase{-1, MKMapTypeSatellite},
                                           SwitchCase{3, MKMapTypeSatellite}, SwitchCase{42, MKMapTypeSatellite}));

TEST_F(MainScreenTest, SwitchingTypeKeepsTheCircleAndRegion) {
  map->location = CLLocationCoordinate2D{52.52, 13.405};
  measure(3);
  const auto region = map->region();
  switcher->setSelectedSegmentIndex(2);
  controller->switcher(nullptr);
  EXPECT_EQ(map->overlays().size(), 1u);
  EXPECT_EQ(map->region(), region);
}

TEST_F(MainScreenTest, WithoutASelectorTheIndexReadsZeroAndSelectsStandard) {
  switcher.reset();
  map->setMapType(MKMapTypeHybrid);
  controller->switcher(nullptr);
  EXPECT_EQ(map->mapType(), MKMapTypeStandard);
}

// The outlets keep the references they were given: the content view strongly, the others weakly.
TEST_F(MainScreenTest, TheContentViewIsHeldStronglyAndTheOtherViewsWeakly) {
  auto c = std::make_shared<MainViewController>(stopwatch, fake.mainScreen());
  auto content = std::make_shared<fakes::FakeView>();
  auto label = std::make_shared<FakeLabel>();
  c->setContentView(content);
  c->setDist(label);
  std::weak_ptr<fakes::FakeView> weakContent = content;
  content.reset();
  label.reset();
  EXPECT_FALSE(weakContent.expired());
  EXPECT_EQ(c->dist(), nullptr);
}

}  // namespace
}  // namespace storm
