#include <gtest/gtest.h>
#include <QGeoPositionInfo>
#include <QGeoPositionInfoSource>

#include "map/qt/MapModel.h"
#include "map/qt/PositionFeed.h"
#include "support/FakeServices.h"
#include "support/MapTestSupport.h"

// What the map hears from a position source: fixes, refusals, silence and failures.

namespace storm::qt {
namespace {

// A source the test drives by hand.
class ScriptedSource : public QGeoPositionInfoSource {
 public:
  ScriptedSource() : QGeoPositionInfoSource(nullptr) {}
  QGeoPositionInfo lastKnownPosition(bool) const override { return {}; }
  PositioningMethods supportedPositioningMethods() const override { return AllPositioningMethods; }
  int minimumUpdateInterval() const override { return 0; }
  Error error() const override { return NoError; }
  void startUpdates() override { started = true; }
  void stopUpdates() override {}
  void requestUpdate(int) override {}

  void fix(double lat, double lon, double accuracy) {
    QGeoPositionInfo info(QGeoCoordinate(lat, lon), QDateTime::currentDateTimeUtc());
    info.setAttribute(QGeoPositionInfo::HorizontalAccuracy, accuracy);
    emit positionUpdated(info);
  }
  void fail(Error error) { emit errorOccurred(error); }

  bool started = false;
};

class PositionFeedTest : public ::testing::Test {
 protected:
  PositionFeedTest() : logger_(std::make_shared<fakes::RecordingLogger>()) {
    auto* feed = new PositionFeed(&map_, logger_);
    source_ = new ScriptedSource;
    feed->useSource(source_);
  }

  MapModel map_;
  std::shared_ptr<fakes::RecordingLogger> logger_;
  ScriptedSource* source_ = nullptr;
};

TEST_F(PositionFeedTest, AFixPutsTheUserOnTheMapWithItsAccuracy) {
  EXPECT_TRUE(source_->started);
  source_->fix(60.17, 24.94, 12);
  ASSERT_TRUE(map_.userLocation());
  EXPECT_EQ(map_.userLocation()->latitude, 60.17);
  EXPECT_EQ(map_.userLocation()->longitude, 24.94);
  EXPECT_EQ(map_.userLocationAccuracy(), 12);
  EXPECT_TRUE(logger_->lines.empty());
}

TEST(PositionFeed, ASourceThatStaysSilentIsReportedOnce) {
  MapModel map;
  auto logger = std::make_shared<fakes::RecordingLogger>();
  auto* feed = new PositionFeed(&map, logger, 20);
  feed->useSource(new ScriptedSource);
  ASSERT_TRUE(test::runUntil([&] { return !logger->lines.empty(); }));
  EXPECT_NE(logger->lines[0].find("no fix"), std::string::npos);
  EXPECT_FALSE(map.userLocation());
}

struct Failure {
  QGeoPositionInfoSource::Error error;
  bool keepsAnEarlierFix;
  const char* said;
};

class PositionFeedFailure : public PositionFeedTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(PositionFeedFailure, SaysSoOnceAndLeavesNoLocationBehind) {
  const Failure& f = GetParam();
  source_->fail(f.error);
  source_->fail(f.error);
  EXPECT_FALSE(map_.userLocation());
  ASSERT_EQ(logger_->lines.size(), 1u);
  EXPECT_NE(logger_->lines[0].find(f.said), std::string::npos) << logger_->lines[0];

  source_->fix(1, 2, 0);
  source_->fail(f.error);
  EXPECT_EQ(map_.userLocation().has_value(), f.keepsAnEarlierFix);
}

INSTANTIATE_TEST_SUITE_P(Errors, PositionFeedFailure,
                         ::testing::Values(Failure{QGeoPositionInfoSource::AccessError, false, "refused"},
                                           Failure{QGeoPositionInfoSource::ClosedError, false, "closed"},
                                           Failure{QGeoPositionInfoSource::UnknownSourceError, false, "failed"},
                                           Failure{QGeoPositionInfoSource::UpdateTimeoutError, true, "no fix"}));

}  // namespace
}  // namespace storm::qt
