#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

#include "map/qt/LiveSource.h"
#include "map/qt/MapModel.h"
#include "map/qt/NmeaLogSource.h"
#include "map/qt/PositionFeed.h"
#include "system/ManualClock.h"
#include "support/FakeServices.h"
#include "support/MapTestSupport.h"

// What the map hears from its position sources: fixes, silence, problems, two sources side by
// side; and an NMEA log replayed at its own pace.

namespace storm::qt {
namespace {

// A source the test drives by hand.
class ScriptedSource : public LiveSource {
 public:
  void start() override { started = true; }
  bool started = false;
};

class PositionFeedTest : public ::testing::Test {
 protected:
  PositionFeedTest() : logger_(std::make_shared<fakes::RecordingLogger>()) {
    map_.setClock(clock_, clock_);
    feed_ = new PositionFeed(&map_, {logger_, clock_, clock_});
  }
  ScriptedSource* add(PositionSource kind) {
    auto* source = new ScriptedSource;
    feed_->addSource(source, kind);
    return source;
  }
  PositionReport shown() const { return map_.position().report().value_or(PositionReport{{0, 0}, -1}); }

  std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>(1.75e9);
  MapModel map_;
  std::shared_ptr<fakes::RecordingLogger> logger_;
  PositionFeed* feed_ = nullptr;
};

TEST_F(PositionFeedTest, AFixPutsTheUserOnTheMapWithItsAccuracyTimeAndSource) {
  ScriptedSource* gps = add(PositionSource::Gpsd);
  EXPECT_TRUE(gps->started);
  emit gps->fixed(60.17, 24.94, 12);
  EXPECT_EQ(shown().coordinate.latitude, 60.17);
  EXPECT_EQ(shown().coordinate.longitude, 24.94);
  EXPECT_EQ(shown().accuracy, 12);
  EXPECT_EQ(shown().source, PositionSource::Gpsd);
  EXPECT_EQ(shown().time, 1.75e9);
  EXPECT_EQ(map_.positionStanding(), PositionState::Standing::Current);
  emit gps->fixed(60.17, 24.94, NAN);
  EXPECT_EQ(shown().accuracy, 0) << "unknown, never a made-up figure";
  EXPECT_EQ(map_.positionStanding(), PositionState::Standing::Approximate);
  EXPECT_TRUE(logger_->lines.empty());
}

// The location service's silence is said once: before the first fix after two minutes, and once
// fixes stop, when the last has grown old. A receiver's is said after a few seconds, and its fix
// stops being current at once.
TEST_F(PositionFeedTest, ASourceThatFallsSilentIsReportedOnce) {
  ScriptedSource* service = add(PositionSource::System);
  clock_->advance(PositionFeed::kFirstFixSeconds - 1);
  EXPECT_TRUE(logger_->lines.empty());
  clock_->advance(1);
  ASSERT_EQ(logger_->lines.size(), 1u);
  EXPECT_NE(logger_->lines[0].find("no fix"), std::string::npos);
  clock_->advance(3600);
  EXPECT_EQ(logger_->lines.size(), 1u);

  emit service->fixed(60.17, 24.94, 12);
  EXPECT_EQ(map_.positionStanding(), PositionState::Standing::Current);
  clock_->advance(kFixStaleSeconds + 1);
  EXPECT_EQ(map_.positionStanding(), PositionState::Standing::Old);
  EXPECT_EQ(logger_->lines.size(), 3u) << "answers again, then no fix";

  ScriptedSource* gps = add(PositionSource::Gpsd);
  emit gps->fixed(60.17, 24.94, 12);
  clock_->advance(PositionFeed::kStallSeconds);
  EXPECT_EQ(map_.position().problem(), PositionProblem::Lost);
  EXPECT_EQ(map_.positionStanding(), PositionState::Standing::Old);
}

// gpsd beside the location service: the finer of the fixes younger than ten seconds is shown and
// named; a source that fails gives way to the other's fresh fix.
TEST_F(PositionFeedTest, TwoSourcesSideBySideShowTheFinerFreshFix) {
  ScriptedSource* service = add(PositionSource::System);
  ScriptedSource* gps = add(PositionSource::Gpsd);
  EXPECT_TRUE(map_.positionSourceNamed());
  emit service->fixed(1, 1, 30);
  emit gps->fixed(2, 2, 5);
  EXPECT_EQ(shown().source, PositionSource::Gpsd);
  emit service->fixed(1, 1, 30);
  EXPECT_EQ(shown().source, PositionSource::Gpsd) << "a coarser fix does not push the finer one aside";
  emit service->fixed(1, 1, 0);
  EXPECT_EQ(shown().source, PositionSource::Gpsd) << "nor does one of unknown accuracy";
  clock_->advance(PositionFeed::kFreshSeconds / 2);
  emit service->fixed(1, 1, 3);
  EXPECT_EQ(shown().source, PositionSource::System) << "a finer one does";
  emit gps->fixed(2, 2, 5);
  EXPECT_EQ(shown().source, PositionSource::System);

  emit service->problem(PositionProblem::Off, "switched off");
  EXPECT_EQ(shown().source, PositionSource::Gpsd) << "gpsd's fix of " << PositionFeed::kFreshSeconds / 2 << " s stands in";
  EXPECT_EQ(map_.positionStanding(), PositionState::Standing::Current);
  clock_->advance(PositionFeed::kFreshSeconds + 1);
  emit service->problem(PositionProblem::None, {});
  emit service->fixed(1, 1, 300);
  EXPECT_EQ(shown().source, PositionSource::System) << "gpsd's last fix is no longer fresh";
}

// ---- an NMEA log replayed -----------------------------------------------------------------------

std::string sentence(const std::string& body) {
  unsigned char sum = 0;
  for (char c : body) sum ^= static_cast<unsigned char>(c);
  char checksum[4];
  std::snprintf(checksum, sizeof checksum, "%02X", sum);
  return "$" + body + "*" + checksum + "\r\n";
}

std::string rmc(const std::string& time, char status, int minute) {
  return sentence("GPRMC," + time + "," + status + ",48" + std::to_string(minute) + ".000,N,00221.132,E,,,,,,A");
}

// Times 23:59:59, 00:00:00 (past midnight), 00:00:02, 23:00:00 (back over midnight), 23:59:00 (a
// jump), a no-fix epoch: each step is the log's, at most three seconds, one for a step back; then
// the end.
TEST_F(PositionFeedTest, ALogIsReplayedAtItsOwnPaceWithNoStepWaitedOutAndItsEndSaid) {
  QTemporaryDir dir;
  QFile file(dir.path() + "/track.nmea");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write((rmc("235959", 'A', 10) + rmc("000000", 'A', 11) + rmc("000002", 'A', 12) + rmc("230000", 'A', 13) +
              rmc("235900", 'A', 14) + rmc("235901", 'V', 15))
                 .c_str());
  file.close();
  feed_->useNmeaLog(file.fileName());
  ASSERT_TRUE(test::runUntil([&] { return map_.userLocation().has_value(); }));
  auto minute = [&] { return std::lround((shown().coordinate.latitude - 48) * 60); };
  const double steps[] = {1, 2, 1, 3};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(minute(), 10 + i);
    clock_->advance(steps[i] - 0.01);
    EXPECT_EQ(minute(), 10 + i) << "not before its time";
    clock_->advance(0.01);
  }
  EXPECT_EQ(minute(), 14);
  EXPECT_EQ(map_.positionStanding(), PositionState::Standing::Approximate) << "an RMC says no accuracy";
  clock_->advance(1);
  EXPECT_EQ(map_.position().problem(), PositionProblem::Lost) << "the receiver says it lost the fix";
  EXPECT_EQ(minute(), 14);
  clock_->advance(NmeaLogSource::kUntimedStep);
  EXPECT_EQ(map_.position().problem(), PositionProblem::Ended);
  EXPECT_EQ(map_.positionStanding(), PositionState::Standing::Old);
}

}  // namespace
}  // namespace storm::qt
