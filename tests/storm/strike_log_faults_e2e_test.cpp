// The strike log against what the disk and other programs do to it: kills, locks, files this
// version cannot use.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <functional>

#include "support/AutomationClient.h"
#include "support/Sandbox.h"
#include "support/StrikeLogFixture.h"

namespace storm::e2e {
namespace {

// A connection of the test's own to a log file, as another program would hold one.
class OtherProgram {
 public:
  explicit OtherProgram(const QString& path) : name_("other-" + QString::number(++count_)) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    db_ = QSqlDatabase::addDatabase("QSQLITE", name_);
    db_.setDatabaseName(path);
    EXPECT_TRUE(db_.open());
  }
  ~OtherProgram() {
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
  }
  void exec(const QString& sql) {
    QSqlQuery q(db_);
    EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << ": " << q.lastError().text().toStdString();
  }
  long count(const QString& sql) {
    QSqlQuery q(db_);
    return q.exec(sql) && q.next() ? q.value(0).toLongLong() : -1;
  }

 private:
  static inline int count_ = 0;
  QString name_;
  QSqlDatabase db_;
};

// The second version's schema, which the app brings up to date as it opens the log.
constexpr const char* kTable =
    "CREATE TABLE strikes (id INTEGER PRIMARY KEY, time REAL NOT NULL, delay REAL NOT NULL, km REAL NOT NULL, "
    "speed REAL NOT NULL, latitude REAL, longitude REAL, accuracy REAL NOT NULL DEFAULT 0, source TEXT)";

class StrikeLogFaults : public StrikeLogFixture {
 protected:
  static void measure(AutomationClient& app) {
    app.ok("tap button");
    app.ok("advance 2");
    app.ok("tap button");
  }
  // A log of the second version with `rows` strikes a second apart, the last one a minute before kEpoch.
  void writeLog(int rows, bool indexAfterRows = false) {
    OtherProgram log(logPath());
    log.exec(kTable);
    if (!indexAfterRows) log.exec("CREATE INDEX strikes_by_time ON strikes (time)");
    log.exec("BEGIN");
    for (int i = 0; i < rows; ++i)
      log.exec(QStringLiteral("INSERT INTO strikes (time, delay, km, speed) VALUES (%1, 3, 1.02, 0.34029)")
                   .arg(kEpoch - 60 - (rows - 1 - i), 0, 'f', 0));
    log.exec("COMMIT");
    if (indexAfterRows) log.exec("CREATE INDEX strikes_by_time ON strikes (time)");
    log.exec("PRAGMA user_version = 2");
  }
  // Overwrites page `page` (from 1) of the log with bytes that are no page.
  void damagePage(long page) {
    QFile file(logPath());
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek((page - 1) * 4096));
    file.write(QByteArray(4096, '\x5a'));
  }
};

// A kill at any moment after a strike was shown: the strike is in the log at the next start.
TEST_F(StrikeLogFaults, AStrikeShownSurvivesAKillAtOnce) {
  constexpr int kRuns = 10;
  for (int run = 0; run < kRuns; ++run) {
    auto app = start(kEpoch + run * 10);
    measure(*app);
    ASSERT_EQ(app->state()["dist"].toString(), "0.42mi or 0.68km") << "the strike is on the screen";
    app->kill();
  }
  auto app = start(kEpoch + kRuns * 10);
  const QJsonArray list = strikes(*app);
  ASSERT_EQ(list.size(), kRuns);
  for (int run = 0; run < kRuns; ++run)
    EXPECT_EQ(list[kRuns - 1 - run].toObject()["time"].toDouble(), kEpoch + run * 10) << "no strike twice";
}

// Another program holds the log locked: the strikes stay pending, listed, across a quit, and are
// written in order, once each, when the lock is gone. A clear cannot empty the log meanwhile.
TEST_F(StrikeLogFaults, ALockedLogKeepsItsStrikesPendingUntilItCanBeWritten) {
  start()->quit();  // a log of this version
  OtherProgram other(logPath());
  other.exec("BEGIN EXCLUSIVE");
  qint64 quitMilliseconds = 0;
  {
    auto app = start();
    for (int i = 0; i < 10; ++i) {
      measure(*app);
      app->ok("advance 1");
    }
    app->ok("settle");
    EXPECT_EQ(strikes(*app).size(), 10);
    EXPECT_TRUE(app->send("strikes clear").contains("error"));
    EXPECT_EQ(strikes(*app).size(), 10) << "a clear that failed leaves the list";
    // A direction for a strike still pending goes with it into the journal.
    app->ok("tap history");
    app->ok("settle");
    for (const char* line : {"key Home", "tap direction", "key 9", "key 0", "key Return", "settle"}) app->ok(line);
    EXPECT_EQ(strikes(*app)[0].toObject()["bearing"].toDouble(), 90);
    QElapsedTimer quitting;
    quitting.start();
    EXPECT_EQ(app->quit(), 0);
    quitMilliseconds = quitting.elapsed();
  }
  RecordProperty("quit_ms_with_10_pending", static_cast<int>(quitMilliseconds));
  EXPECT_LT(quitMilliseconds, 3000);
  auto app = start(kEpoch + 100);
  measure(*app);
  EXPECT_EQ(strikes(*app).size(), 11);
  app->ok("advance 5");  // tried again, still locked
  other.exec("ROLLBACK");
  app->ok("advance 5");
  app->ok("settle");
  EXPECT_EQ(other.count("SELECT count(*) FROM strikes"), 11);
  EXPECT_EQ(other.count("SELECT count(*) FROM strikes WHERE bearing_deg = 90 AND bearing_source = 'typed'"), 1);
  EXPECT_EQ(other.count("SELECT count(DISTINCT time) FROM strikes"), 11);
  EXPECT_EQ(other.count("SELECT count(*) FROM strikes a JOIN strikes b ON a.id < b.id AND a.time > b.time"), 0)
      << "written in the order measured";
  EXPECT_FALSE(QFile::exists(logPath() + ".pending")) << "nothing is left pending";
}

// Files this version can never use stay as they are; the strikes go to a log of their own beside
// them, kept across runs, and the user is told.
TEST_F(StrikeLogFaults, ALogThisVersionCannotUseIsLeftAloneAndStrikesGoBesideIt) {
  const std::vector<std::pair<const char*, std::function<void()>>> cases = {
      {"schema version -1", [&] { OtherProgram(logPath()).exec("PRAGMA user_version = -1"); }},
      {"schema version -2147483648", [&] { OtherProgram(logPath()).exec("PRAGMA user_version = -2147483648"); }},
      {"a newer schema", [&] { OtherProgram(logPath()).exec("PRAGMA user_version = 4"); }},
      {"another program's strikes table",
       [&] { OtherProgram(logPath()).exec("CREATE TABLE strikes (name TEXT, damage INTEGER)"); }},
      {"a FIFO", [&] { ASSERT_EQ(::mkfifo(QFile::encodeName(logPath()).constData(), 0644), 0); }},
      {"a folder as its write-ahead log",
       [&] {
         OtherProgram(logPath()).exec("PRAGMA user_version = 0");
         QDir().mkpath(logPath() + "-wal");
       }},
  };
  for (const auto& [name, make] : cases) {
    SCOPED_TRACE(name);
    QDir(home.data()).removeRecursively();
    QDir().mkpath(folder());
    make();
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(logPath()).constData(), &before), 0);
    const QByteArray bytes = S_ISREG(before.st_mode) ? [&] {
      QFile f(logPath());
      return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }() : QByteArray();
    for (int run = 0; run < 2; ++run) {
      auto app = start(kEpoch + run * 10);
      measure(*app);
      app->ok("settle");
      EXPECT_EQ(strikes(*app).size(), run + 1) << "kept across runs";
      const QJsonArray log = app->state()["log"].toArray();
      EXPECT_EQ(std::count_if(log.begin(), log.end(),
                              [](const QJsonValue& l) { return l.toString().contains("strikes-v3"); }),
                1)
          << "told once in the app's log";
      EXPECT_EQ(app->state()["stormMap"].toObject()["panel"].toObject()["note"].toString().contains("own"), true)
          << "and on the screen";
      EXPECT_EQ(app->quit(), 0);
      EXPECT_EQ(app->stderrText().count("cannot be used"), 1);
    }
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(logPath()).constData(), &after), 0);
    EXPECT_EQ(after.st_mode, before.st_mode);
    if (S_ISREG(before.st_mode)) {
      QFile f(logPath());
      ASSERT_TRUE(f.open(QIODevice::ReadOnly));
      EXPECT_EQ(f.readAll(), bytes) << "left alone";
    }
    EXPECT_TRUE(QFile::exists(folder() + "/strikes-v3.sqlite"));
  }
}

// Two copies start on a fresh log while another program holds it: each reads its schema version
// again inside its own write transaction, so the second finds the first one's table.
TEST_F(StrikeLogFaults, TwoCopiesStartingOnAFreshLogShareIt) {
  OtherProgram other(logPath());
  other.exec("PRAGMA journal_mode=WAL");
  other.exec("BEGIN EXCLUSIVE");
  auto first = start();
  auto second = start(kEpoch + 1);
  first->state();
  second->state();
  other.exec("ROLLBACK");
  for (AutomationClient* app : {first.get(), second.get()}) {
    measure(*app);
    app->ok("advance 5");
    app->ok("settle");
  }
  EXPECT_EQ(first->quit(), 0);
  EXPECT_EQ(second->quit(), 0);
  for (AutomationClient* app : {first.get(), second.get()}) {
    const QString err = app->stderrText();
    EXPECT_FALSE(err.contains("already exists")) << err.toStdString();
  }
  EXPECT_EQ(other.count("SELECT count(*) FROM strikes"), 2);
  EXPECT_EQ(other.count("PRAGMA user_version"), 3);
}

// Two copies share a data folder while the log is locked: each keeps its pending strikes in a
// journal of its own, so the first writing its strike and forgetting it leaves the second's; the
// second, killed meanwhile, has its strike written by the next copy to start.
TEST_F(StrikeLogFaults, TwoCopiesSharingAFolderKeepEachOthersPendingStrikes) {
  // A fresh data folder: the first copy makes it, and the log.
  auto first = start();
  auto second = start(kEpoch + 1);
  first->ok("settle");
  second->ok("settle");
  OtherProgram other(logPath());
  other.exec("BEGIN EXCLUSIVE");
  for (AutomationClient* app : {first.get(), second.get()}) {
    measure(*app);
    app->ok("settle");
  }
  other.exec("ROLLBACK");
  first->ok("advance 5");  // tried again: written, and forgotten by its journal
  first->ok("settle");
  second->kill();
  EXPECT_EQ(first->quit(), 0);
  EXPECT_EQ(other.count("SELECT count(*) FROM strikes"), 1);
  auto third = start(kEpoch + 100);
  third->ok("settle");
  EXPECT_EQ(strikes(*third).size(), 2) << "the killed copy's strike is not lost";
  EXPECT_EQ(third->quit(), 0);
  EXPECT_EQ(other.count("SELECT count(*) FROM strikes"), 2);
  EXPECT_EQ(QDir(folder())
                .entryList({"strikes.sqlite.pending*"}, QDir::Files)
                .filter(QRegularExpression("\\.pending(-\\d)?$")),
            QStringList())
      << "no journal is left";
}

// Another program holds a log of the rollback kind locked, so it cannot be read at all: `strikes`
// lists what this run knows and says the list is not the whole log; once the lock is gone, it is.
TEST_F(StrikeLogFaults, AListOfALogThatCannotBeReadSaysItIsIncomplete) {
  writeLog(10);
  OtherProgram other(logPath());
  other.exec("BEGIN EXCLUSIVE");
  auto app = start();
  measure(*app);
  app->ok("settle");
  QJsonObject answer = app->send("strikes");
  EXPECT_EQ(answer["strikes"].toArray().size(), 1);
  EXPECT_FALSE(answer["complete"].toBool(true));
  EXPECT_TRUE(answer["note"].toString().contains("cannot be read")) << answer["note"].toString().toStdString();
  other.exec("ROLLBACK");
  answer = app->send("strikes");
  EXPECT_EQ(answer["strikes"].toArray().size(), 11);
  EXPECT_TRUE(answer["complete"].toBool(false));
  EXPECT_FALSE(answer.contains("note"));
}

// A damaged page of the time index: the table still reads, so its rows are copied to a fresh log
// rather than the whole log moved aside.
TEST_F(StrikeLogFaults, ADamagedIndexKeepsEveryStrike) {
  writeLog(3000);
  long root = 0;
  {
    OtherProgram log(logPath());
    root = log.count("SELECT rootpage FROM sqlite_master WHERE name = 'strikes_by_time'");
  }
  damagePage(root);
  auto app = start();
  EXPECT_EQ(strikes(*app).size(), 3000);
  EXPECT_EQ(app->quit(), 0);
  EXPECT_TRUE(app->stderrText().contains("copied to a fresh log"));
  OtherProgram log(logPath());
  EXPECT_EQ(log.count("SELECT count(*) FROM strikes WHERE time > 0"), 3000) << "the index reads again";
}

// A log whose header is sound and whose pages are not, all after the first or one of the table's
// that the start does not read: found at open, set aside, and the user told on the screen.
TEST_F(StrikeLogFaults, ALogDamagedPastItsHeaderIsFoundAtOpenAndSetAsideWithANote) {
  for (const bool wholeRest : {true, false}) {
    SCOPED_TRACE(wholeRest ? "garbage after the header" : "a damaged page of the table");
    QDir(home.data()).removeRecursively();
    QDir().mkpath(folder());
    writeLog(3000, true);  // the table's pages first, the index's after them
    if (wholeRest) {
      QFile file(logPath());
      ASSERT_TRUE(file.open(QIODevice::ReadWrite));
      const qint64 size = file.size();
      ASSERT_TRUE(file.seek(100));
      file.write(QByteArray(size - 100, '\x5a'));
    } else {
      damagePage(10);
    }
    auto app = start(kEpoch + 7200);  // nothing in the last hour to read back
    app->ok("settle");
    EXPECT_TRUE(app->state()["stormMap"].toObject()["panel"].toObject()["note"].toString().contains("damaged"));
    EXPECT_EQ(QDir(folder()).entryList({"strikes.sqlite.damaged-*"}).size(), 1);
    EXPECT_EQ(app->quit(), 0);
  }
}

// Rows that are not strikes (a time at 2^53 s, a time that is text, a source of a megabyte) are
// skipped and reported once; the storm is that of the one real strike.
TEST_F(StrikeLogFaults, RowsThatAreNotStrikesAreSkipped) {
  writeLog(1);
  {
    OtherProgram log(logPath());
    log.exec("INSERT INTO strikes (time, delay, km, speed) VALUES (9007199254740992, 3, 1.02, 0.34029)");
    log.exec("INSERT INTO strikes (time, delay, km, speed) VALUES ('soon', 3, 1.02, 0.34029)");
    log.exec(QStringLiteral("INSERT INTO strikes (time, delay, km, speed, latitude, longitude, source) "
                            "VALUES (%1, 3, 1.02, 0.34029, 48.8, 2.3, zeroblob(1048576))")
                 .arg(kEpoch - 30, 0, 'f', 0));
  }
  auto app = start();
  app->ok("settle");
  const QJsonArray list = strikes(*app);
  ASSERT_EQ(list.size(), 1);
  EXPECT_EQ(list[0].toObject()["time"].toDouble(), kEpoch - 60);
  const QJsonObject storm = app->state()["storm"].toObject();
  EXPECT_DOUBLE_EQ(storm["allClearIn"].toDouble(), 1800 - 60 + 3);
  EXPECT_EQ(app->quit(), 0);
  EXPECT_EQ(app->stderrText().count("that are not strikes"), 1);
}

}  // namespace
}  // namespace storm::e2e
