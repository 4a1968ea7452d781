#include <gtest/gtest.h>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <numeric>
#include <random>

#include "storm/qt/SqliteStrikeStore.h"
#include "storm/qt/StrikeTableModel.h"
#include "system/ManualClock.h"
#include "system/qt/WorkerPool.h"

// The history screen's table over a real log of a thousand strikes: what it reads, when, and in
// which order.

namespace storm::qt {
namespace {

constexpr double kEpoch = 1.7e9;
constexpr int kStrikes = 1000;

// Strike `i` flashed `i` minutes after kEpoch; every third has no position; those with an even
// number and a position have a direction of `i` degrees (modulo 360).
Strike strikeNumber(int i) {
  Strike s;
  s.time = kEpoch + 60.0 * i;
  s.delay = 1.5 + (i % 20) * 0.25;
  s.km = s.delay * 0.34029;
  s.speed = 0.34029;
  if (i % 3 != 0) s.position = StrikePosition{52.52, 13.405, 10, "system"};
  if (s.position && i % 2 == 0) {
    s.bearing = StrikeBearing{};
    s.bearing->degrees = i % 360;
    s.bearing->source = BearingSource::Map;
    s.bearing->placed = GeoPoint{52.53, 13.39};
  }
  return s;
}
// Strike 699 has a direction in the file that no strike can have.
constexpr int kInsaneBearing = 699;

class HistoryModel : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString path = dir.path() + "/strikes.sqlite";
    // The file with its schema. The pool is held, as the application holds it until its first
    // frame: waiting for the store releases it.
    pool->hold();
    SqliteStrikeStore(path, pool, clock).waitForIdle();
    // Written in shuffled order, so that only the time puts the rows in order.
    std::vector<int> order(kStrikes);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    {
      QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "history-fill");
      db.setDatabaseName(path);
      ASSERT_TRUE(db.open() && db.transaction());
      QSqlQuery q(db);
      q.prepare(
          "INSERT INTO strikes (time, delay, km, speed, latitude, longitude, accuracy, source, bearing_deg, "
          "bearing_source, strike_lat, strike_lon) VALUES (?,?,?,?,?,?,?,?,?,?,?,?)");
      for (int i : order) {
        const Strike s = strikeNumber(i);
        const QVariant none(QMetaType::fromType<double>());
        const std::optional<StrikeBearing>& b = s.bearing;
        for (const QVariant& v :
             {QVariant(s.time), QVariant(s.delay), QVariant(s.km), QVariant(s.speed),
              s.position ? QVariant(s.position->latitude) : none, s.position ? QVariant(s.position->longitude) : none,
              QVariant(s.position ? s.position->accuracy : 0.0),
              s.position ? QVariant(QString::fromStdString(s.position->source)) : QVariant(),
              b                     ? QVariant(b->degrees)
              : i == kInsaneBearing ? QVariant(400.0)
                                    : none,
              b                     ? QVariant(bearingSourceName(b->source))
              : i == kInsaneBearing ? QVariant("typed")
                                    : QVariant(),
              b ? QVariant(b->placed->latitude) : none, b ? QVariant(b->placed->longitude) : none})
          q.addBindValue(v);
        ASSERT_TRUE(q.exec());
      }
      ASSERT_TRUE(db.commit());
    }
    QSqlDatabase::removeDatabase("history-fill");
    store = std::make_shared<SqliteStrikeStore>(path, pool, clock);
  }

  // Runs the event loop until the model has its next page.
  static bool nextPage(StrikeTableModel& model) {
    QSignalSpy read(&model, &StrikeTableModel::pageRead);
    return read.wait(10000);
  }

  QTemporaryDir dir;
  std::shared_ptr<WorkerPool> pool = std::make_shared<WorkerPool>();
  // Now is after every strike the tests log: a strike dated ahead of the clock is none.
  std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(kEpoch + 60.0 * (kStrikes + 1));
  std::shared_ptr<SqliteStrikeStore> store;
};

TEST_F(HistoryModel, ReadsPagesNewestFirstOnlyWhenAViewAsks) {
  StrikeTableModel model(store);
  model.reload();
  ASSERT_TRUE(nextPage(model));
  ASSERT_EQ(model.rowCount(), kStrikes);
  EXPECT_EQ(model.strikeAt(0), strikeNumber(kStrikes - 1));
  EXPECT_EQ(model.strikeAt(StrikeTableModel::kPageRows - 1), strikeNumber(kStrikes - StrikeTableModel::kPageRows));
  EXPECT_FALSE(model.strikeAt(StrikeTableModel::kPageRows)) << "opening reads one page";

  // A row far down (its page read from the oldest end) is blank until its page arrives.
  const QModelIndex far = model.index(900, StrikeTableModel::DelayColumn);
  EXPECT_FALSE(model.data(far).isValid());
  ASSERT_TRUE(nextPage(model));
  EXPECT_EQ(model.strikeAt(900), strikeNumber(99));
  EXPECT_EQ(model.strikeAt(kStrikes - 1), strikeNumber(0));
  EXPECT_EQ(model.data(far).toString(), QLocale().toString(strikeNumber(99).delay, 'f', 3));
  // One nearer the newest end.
  model.data(model.index(300, StrikeTableModel::TimeColumn));
  ASSERT_TRUE(nextPage(model));
  EXPECT_EQ(model.strikeAt(300), strikeNumber(699));
  EXPECT_FALSE(model.strikeAt(600)) << "the pages between stay unread";

  // Strike 698 has a position, strike 699 none.
  EXPECT_EQ(model.data(model.index(301, StrikeTableModel::PositionColumn)).toString(), "52.5200, 13.4050");
  EXPECT_EQ(model.data(model.index(300, StrikeTableModel::PositionColumn)).toString(), "\u2014");
  EXPECT_EQ(model.data(model.index(301, StrikeTableModel::PositionColumn), Qt::ToolTipRole).toString(),
            "From the location service, \u00b110 m");
  // Strike 698 has a direction (past 337.5° the nearest point is north again); strike 699's makes no
  // sense, so it is listed without one.
  EXPECT_EQ(model.data(model.index(301, StrikeTableModel::DirectionColumn)).toString(), "N 338\u00b0");
  EXPECT_EQ(model.data(model.index(301, StrikeTableModel::StrikePointColumn)).toString(), "52.5300, 13.3900");
  EXPECT_EQ(model.data(model.index(300, StrikeTableModel::DirectionColumn)).toString(), "\u2014");
  EXPECT_EQ(model.data(model.index(300, StrikeTableModel::StrikePointColumn)).toString(), "\u2014");
  // A screen reader hears each cell with its column's name.
  EXPECT_EQ(model.data(model.index(301, StrikeTableModel::DirectionColumn), Qt::AccessibleTextRole).toString(),
            "Direction: N 338\u00b0");
  EXPECT_EQ(model.data(model.index(301, StrikeTableModel::PositionColumn), Qt::AccessibleTextRole).toString(),
            "Position: 52.5200, 13.4050");
  EXPECT_EQ(model.data(model.index(301, StrikeTableModel::DelayColumn), Qt::AccessibleTextRole).toString(),
            "Delay in seconds: " + model.data(model.index(301, StrikeTableModel::DelayColumn)).toString());
}

TEST_F(HistoryModel, AStrikeAppendedAMomentAgoIsListedFirst) {
  StrikeTableModel model(store);
  model.reload();
  ASSERT_TRUE(nextPage(model));

  // Appended while the list is open, and read before its write could land: the read queues behind it.
  Strike fresh = strikeNumber(kStrikes);
  store->append(fresh);
  model.reload();
  ASSERT_TRUE(nextPage(model));
  EXPECT_EQ(model.rowCount(), kStrikes + 1);
  EXPECT_EQ(model.strikeAt(0), fresh);

  // Without a reload, the next page read finds the log grown and reads it afresh.
  fresh.time += 60;
  store->append(fresh);
  model.data(model.index(kStrikes - 1, StrikeTableModel::TimeColumn));
  ASSERT_TRUE(nextPage(model));  // the first page of the reload the far one's answer started
  EXPECT_EQ(model.rowCount(), kStrikes + 2);
  EXPECT_EQ(model.strikeAt(0), fresh);
}

// The hour's strikes are handed out as a shared snapshot: a later change leaves a reader's as it
// was, and a strike measured out of order still comes in its place by time.
TEST_F(HistoryModel, TheHourHandedOutStaysAsReadAndInOrderOfTime) {
  store->waitForIdle();
  const RecentStrikes before = store->recent(0);
  ASSERT_EQ(before.size(), 59u) << "the last hour's strikes read back";
  Strike between = strikeNumber(990);
  between.time += 30;
  store->append(between);
  const auto times = [](const RecentStrikes& strikes) {
    std::vector<double> out;
    for (const Strike& s : strikes) out.push_back(s.time);
    return out;
  };
  const RecentStrikes after = store->recent(0);
  ASSERT_EQ(after.size(), 60u);
  const std::vector<double> afterTimes = times(after);
  EXPECT_TRUE(std::is_sorted(afterTimes.begin(), afterTimes.end()));
  EXPECT_EQ(store->recent(between.time).size(), 10u) << "it and the nine after it";
  EXPECT_EQ(store->recent(between.time)[0], between);
  store->remove(strikeNumber(941).time, nullptr);
  store->waitForIdle();
  EXPECT_EQ(store->recent(0).size(), 59u);
  EXPECT_EQ(store->recent(0)[0], strikeNumber(942));
  EXPECT_EQ(before.size(), 59u);
  EXPECT_EQ(after.size(), 60u);
  EXPECT_EQ(after[0], strikeNumber(941)) << "a snapshot outlives a change";
}

}  // namespace
}  // namespace storm::qt
