#include <gtest/gtest.h>
#include <QGeoPositionInfo>
#include <QGeoPositionInfoSource>

#include "map/qt/MapModel.h"
#include "map/qt/PositionFeed.h"
#include "system/ManualClock.h"
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
    map_.setClock(clock_, clock_);
    auto* feed = new PositionFeed(&map_, {logger_, clock_, clock_});
    source_ = new ScriptedSource;
    feed->useSource(source_);
  }

  std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>(1.75e9);
  MapModel map_;
  std::shared_ptr<fakes::RecordingLogger> logger_;
  ScriptedSource* source_ = nullptr;
};

TEST_F(PositionFeedTest, AFixPutsTheUserOnTheMapWithItsAccuracyTimeAndSource) {
  EXPECT_TRUE(source_->started);
  source_->fix(60.17, 24.94, 12);
  const std::optional<PositionReport> report = map_.position().report();
  ASSERT_TRUE(report);
  EXPECT_EQ(report->coordinate.latitude, 60.17);
  EXPECT_EQ(report->coordinate.longitude, 24.94);
  EXPECT_EQ(report->accuracy, 12);
  EXPECT_EQ(report->source, PositionSource::Nmea);
  EXPECT_EQ(report->time, 1.75e9);
  EXPECT_TRUE(logger_->lines.empty());
}

// Silence is said once: before the first fix after two minutes, and once fixes stop, when the last
// has grown old (it then stands on the map as an old position).
TEST_F(PositionFeedTest, ASourceThatFallsSilentIsReportedOnce) {
  clock_->advance(PositionFeed::kFirstFixSeconds - 1);
  EXPECT_TRUE(logger_->lines.empty());
  clock_->advance(1);
  ASSERT_EQ(logger_->lines.size(), 1u);
  EXPECT_NE(logger_->lines[0].find("no fix"), std::string::npos);
  clock_->advance(3600);
  EXPECT_EQ(logger_->lines.size(), 1u);

  source_->fix(60.17, 24.94, 12);
  EXPECT_EQ(map_.positionStanding(), PositionState::Standing::Current);
  clock_->advance(kFixStaleSeconds + 1);
  EXPECT_EQ(map_.positionStanding(), PositionState::Standing::Old);
  EXPECT_EQ(logger_->lines.size(), 3u) << "answers again, then no fix";
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
