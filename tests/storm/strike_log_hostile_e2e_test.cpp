// The strike log, its files and its exports against hostile input: links, names of the log's
// own files, names that are no text, a journal with lines of any length, sources that a
// spreadsheet would run, strikes from the future, places past the antimeridian.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QSqlDatabase>
#include <QSqlQuery>

#include "support/AutomationClient.h"
#include "support/Sandbox.h"
#include "support/StrikeLogFixture.h"
#include "support/WaitForState.h"

namespace storm::e2e {
namespace {

constexpr double kEpoch = StrikeLogFixture::kEpoch;

QByteArray contents(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

void put(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

// The records of a CSV text by RFC 4180: quoted fields may hold commas, quotes (doubled) and line
// breaks.
std::vector<QStringList> csvRecords(const QString& text) {
  std::vector<QStringList> records(1);
  QString field;
  bool quoted = false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
      field += c;
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && (c == ',' || c == '\n')) {
      records.back().push_back(std::exchange(field, {}));
      if (c == '\n') records.emplace_back();
    } else {
      field += c;
    }
  }
  if (records.back().isEmpty()) records.pop_back();
  return records;
}

// Another program's write lock on a log, held while this lives.
class LogLock {
 public:
  explicit LogLock(const QString& path) {
    db_ = QSqlDatabase::addDatabase("QSQLITE", "locker");
    db_.setDatabaseName(path);
    EXPECT_TRUE(db_.open());
    EXPECT_TRUE(QSqlQuery(db_).exec("BEGIN EXCLUSIVE"));
  }
  ~LogLock() {
    QSqlQuery(db_).exec("ROLLBACK");
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase("locker");
  }

 private:
  QSqlDatabase db_;
};

class HostileStrikeLog : public StrikeLogFixture {
 protected:
  QString mine(const QString& name) const { return home.path() + "/" + name; }
  static void measure(AutomationClient& app) {
    app.ok("tap button");
    app.ok("advance 2");
    app.ok("tap button");
    app.ok("advance 1");
  }
  // Runs `sql` on the log as another program would.
  void onLog(const QString& path, const QStringList& sql) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
      QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "hostile");
      db.setDatabaseName(path);
      ASSERT_TRUE(db.open());
      QSqlQuery q(db);
      for (const QString& s : sql) ASSERT_TRUE(q.exec(s)) << s.toStdString();
    }
    QSqlDatabase::removeDatabase("hostile");
  }
  // The statement that logs a strike at `time` with `more` columns and values (", ..." each).
  static QString insert(double time, const QString& columns = {}, const QString& values = {}) {
    return QStringLiteral("INSERT INTO strikes (time, delay, km, speed%1) VALUES (%2, 3, 1.02, 0.34029%3)")
        .arg(columns)
        .arg(time, 0, 'f', 3)
        .arg(values);
  }
  static QJsonObject strikeAt(const QJsonArray& list, double time) {
    for (const QJsonValue& s : list)
      if (s.toObject()["time"].toDouble() == time) return s.toObject();
    ADD_FAILURE() << "no strike at " << time;
    return {};
  }
  // A journal line of a strike at `time`.
  static QByteArray journalLine(double time) {
    return "S\t" + QByteArray::number(time, 'f', 0) + "\t3\t1.02\t0.34029\n";
  }
};

// The log and the journal of pending strikes, each a link to a file of the test's: neither file is
// written; the log's strikes go to a log of its own, and a rewrite of the journal (an undo while the
// log is locked) leaves the file it names alone.
TEST_F(HostileStrikeLog, TheLogAndItsJournalNeverWriteThroughALink) {
  const QString otherLog = mine("another-log.sqlite");
  onLog(otherLog, {"CREATE TABLE strikes (id INTEGER PRIMARY KEY, time REAL NOT NULL, delay REAL NOT NULL, "
                   "km REAL NOT NULL, speed REAL NOT NULL, latitude REAL, longitude REAL, accuracy REAL NOT NULL "
                   "DEFAULT 0, source TEXT)",
                   "PRAGMA user_version = 2"});
  const QByteArray otherBytes = contents(otherLog);
  QDir().mkpath(folder());
  ASSERT_TRUE(QFile::link(otherLog, logPath()));
  {
    auto app = start();
    measure(*app);
    app->ok("settle");
    EXPECT_EQ(strikes(*app).size(), 1);
    EXPECT_EQ(app->quit(), 0);
  }
  EXPECT_EQ(contents(otherLog), otherBytes) << "the linked file is as it was";
  EXPECT_TRUE(QFileInfo(logPath()).isSymLink());
  EXPECT_TRUE(QFile::exists(folder() + "/strikes-v3.sqlite"));

  // The journal: the log is locked, so the strikes stay pending and an undo rewrites it.
  ASSERT_TRUE(QFile::remove(logPath()));
  start()->quit();  // a log of the app's own where it belongs
  const QString precious = mine("precious.txt");
  put(precious, "not the app's\n");
  ASSERT_TRUE(QFile::link(precious, logPath() + ".pending"));
  {
    const LogLock lock(logPath());
    auto app = start();
    measure(*app);
    measure(*app);
    app->ok("settle");
    app->ok("strikes undo");
    app->ok("settle");
    EXPECT_EQ(app->quit(), 0);
  }
  EXPECT_EQ(contents(precious), "not the app's\n");
  EXPECT_TRUE(QFileInfo(logPath() + ".pending").isSymLink());
}

// An export never writes through a link, nor under a name of the log's own files, however the
// folder is spelt; a name with a byte that is not UTF-8 is kept as given.
TEST_F(HostileStrikeLog, ExportsRefuseLinksAndTheLogsNamesAndKeepTheNameGiven) {
  auto app = start();
  measure(*app);
  app->ok("settle");
  const QString precious = mine("precious.txt");
  put(precious, "not the app's\n");
  ASSERT_TRUE(QFile::link(precious, mine("link.csv")));
  const QString error = app->send("strikes export " + mine("link.csv"))["error"].toString();
  EXPECT_TRUE(error.contains("symbolic link")) << error.toStdString();
  EXPECT_EQ(contents(precious), "not the app's\n");

  const QString roundabout = home.data() + "/../data/storm-distance/";
  for (const QString& name :
       {QString("strikes.sqlite-wal"), QString("strikes.sqlite-shm"), QString("strikes.sqlite-journal"),
        QString("strikes.sqlite.pending"), QString("strikes-v3.sqlite"), QString("strikes-v3.sqlite-wal")}) {
    for (const QString& path : {folder() + "/" + name, roundabout + name}) {
      const bool existed = QFile::exists(path);
      const QString refused = app->send("strikes export " + path)["error"].toString();
      EXPECT_FALSE(refused.isEmpty()) << path.toStdString();
      EXPECT_EQ(QFile::exists(path), existed) << path.toStdString();
    }
  }
  EXPECT_EQ(strikes(*app).size(), 1) << "the log is as it was";

  const QByteArray raw = QFile::encodeName(home.path()) + "/storm-\xff.csv";
  EXPECT_TRUE(app->sendBytes("strikes export " + raw)["ok"].toBool());
  EXPECT_EQ(::access(raw.constData(), F_OK), 0) << "the byte as it was given";
  EXPECT_NE(::access((QFile::encodeName(home.path()) + "/storm-\xef\xbf\xbd.csv").constData(), F_OK), 0);
  EXPECT_EQ(app->quit(), 0);
}

// Text fields are quoted, so a source with commas, quotes and a line break stays one field of one
// row, and one that a spreadsheet would run as a formula is made plain text; numbers, negative ones
// too, stay numbers.
TEST_F(HostileStrikeLog, TheCsvQuotesTextAndDisarmsFormulas) {
  start()->quit();
  const QString hostile = "=HYPERLINK(\"a,b\")\n\"x";
  onLog(logPath(), {QStringLiteral("INSERT INTO strikes (time, delay, km, speed, latitude, longitude, accuracy, "
                                   "source) VALUES (%1, 3, 1.02, 0.34029, -33.5, -70.25, 12, '%2')")
                        .arg(kEpoch - 60, 0, 'f', 0)
                        .arg(QString(hostile).replace("'", "''")),
                    QStringLiteral("INSERT INTO strikes (time, delay, km, speed, latitude, longitude, accuracy, "
                                   "source) VALUES (%1, 3, 1.02, 0.34029, 1, 2, 3, '@sum')")
                        .arg(kEpoch - 30, 0, 'f', 0)});
  auto app = start();
  app->ok("strikes export " + mine("out.csv"));
  const QString text = QString::fromUtf8(contents(mine("out.csv")));
  const std::vector<QStringList> records = csvRecords(text);
  ASSERT_EQ(records.size(), 3u) << text.toStdString();
  for (const QStringList& r : records) EXPECT_EQ(r.size(), 15) << r.join('|').toStdString();
  EXPECT_EQ(records[1][10], "'" + hostile);
  EXPECT_EQ(records[2][10], "'@sum");
  EXPECT_TRUE(text.contains(",-33.500000,-70.250000,12,")) << "numbers unquoted, the minus kept";
  EXPECT_TRUE(text.contains(",\"'=HYPERLINK(\"\"a,b\"\")\n\"\"x\",")) << text.toStdString();
  EXPECT_EQ(app->quit(), 0);
}

// A journal with a line longer than any strike's between good ones: the good ones are read, and
// written to the log, and reading it takes no memory for the long line.
TEST_F(HostileStrikeLog, AnOverlongJournalLineHidesNothingAndCostsNoMemory) {
  start()->quit();
  auto peakKilobytes = [](AutomationClient& app) {
    app.ok("settle");
    const QStringList status =
        QString::fromLatin1(contents(QStringLiteral("/proc/%1/status").arg(app.pid()))).split('\n').filter("VmHWM:");
    return status.isEmpty() ? -1L : status[0].split(' ', Qt::SkipEmptyParts)[1].toLong();
  };
  put(logPath() + ".pending", journalLine(kEpoch - 120));
  long usual = 0;
  {
    auto app = start();
    usual = peakKilobytes(*app);
    EXPECT_EQ(strikes(*app).size(), 1);
    app->ok("strikes clear");
    EXPECT_EQ(app->quit(), 0);
  }
  // A strike padded past the longest line is no strike.
  const QByteArray padded =
      "S\t" + QByteArray::number(kEpoch - 90, 'f', 0) + "\t3." + QByteArray(5000, '0') + "\t1.02\t0.34029\n";
  put(logPath() + ".pending", journalLine(kEpoch - 100) + QByteArray(40 << 20, 'g') + "\n" + padded + "S\tnonsense\n" +
                                  journalLine(kEpoch - 80));
  {
    auto app = start();
    const long peak = peakKilobytes(*app);
    const QJsonArray list = strikes(*app);
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].toObject()["time"].toDouble(), kEpoch - 80);
    EXPECT_EQ(list[1].toObject()["time"].toDouble(), kEpoch - 100);
    EXPECT_LT(peak, usual + 8 * 1024) << "peak " << peak << " kB against " << usual << " kB";
    EXPECT_EQ(app->quit(), 0);
  }
  EXPECT_FALSE(QFile::exists(logPath() + ".pending")) << "all of them written to the log";
  auto app = start();
  EXPECT_EQ(strikes(*app).size(), 2);
}

// A strike dated past the clock's skew is left out, with a line saying so; one within it is kept,
// but the next flash's direction goes to the strike just measured, and the last strike is never
// in the future.
TEST_F(HostileStrikeLog, AStrikeFromTheFutureTakesNoDirection) {
  start()->quit();
  onLog(logPath(), {insert(kEpoch - 60), insert(kEpoch + 7200), insert(kEpoch + 120)});
  auto app = start();
  app->ok("settle");
  EXPECT_EQ(strikes(*app).size(), 2) << "two hours ahead is no strike";
  EXPECT_TRUE(app->state()["stormMap"].toObject()["panel"].toObject()["note"].toString().contains("future"))
      << "and the screen says so";
  measure(*app);
  app->ok("bearing 90");
  app->ok("settle");
  const QJsonArray list = strikes(*app);
  ASSERT_EQ(list.size(), 3);
  EXPECT_EQ(strikeAt(list, kEpoch)["bearing"].toDouble(), 90) << "the strike just measured";
  EXPECT_TRUE(strikeAt(list, kEpoch + 120)["bearing"].isNull());
  EXPECT_GE(app->state()["storm"].toObject()["lastStrikeAgo"].toDouble(-1), 0);
  EXPECT_EQ(app->quit(), 0);
  EXPECT_TRUE(app->stderrText().contains("five minutes ahead"));
}

// Near the antimeridian a strike placed by its direction lies past 180°: it is stored wrapped
// (-179.99...), listed, exported and read again after a restart; an earlier version's rows with
// longitudes past 180° are read, wrapped, not dropped.
TEST_F(HostileStrikeLog, PlacesPastTheAntimeridianAreWrappedNotDropped) {
  start()->quit();
  const QString placed = ", latitude, longitude, accuracy, source, bearing_deg, bearing_source, strike_lat, strike_lon";
  onLog(logPath(), {insert(kEpoch - 90, ", latitude, longitude", ", -17.7, 540.5"),
                    insert(kEpoch - 60, placed, ", -17.7, 179.995, 10, 'pinned', 90, 'typed', -17.7, 180.0092")});
  auto check = [&](AutomationClient& app) {
    const QJsonArray list = strikes(app);
    ASSERT_EQ(list.size(), 3);
    for (const QJsonValue& v : list) {
      const QJsonObject s = v.toObject();
      EXPECT_GE(s["lon"].toDouble(), -180);
      EXPECT_LT(s["lon"].toDouble(), 180);
    }
    EXPECT_DOUBLE_EQ(strikeAt(list, kEpoch - 90)["lon"].toDouble(), -179.5);
    EXPECT_NEAR(strikeAt(list, kEpoch - 60)["strikeLon"].toDouble(0), -179.9908, 1e-9);
    const double measured = strikeAt(list, kEpoch)["strikeLon"].toDouble(0);
    EXPECT_TRUE(measured >= -180 && measured < -179.99) << measured;
  };
  {
    auto app = start();
    app->ok("pin -17.7 179.999");
    measure(*app);
    app->ok("bearing 90");
    app->ok("settle");
    check(*app);
    app->ok("strikes export " + mine("fiji.csv"));
    const std::vector<QStringList> records = csvRecords(QString::fromUtf8(contents(mine("fiji.csv"))));
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[2][14], "-179.990800");
    EXPECT_TRUE(records[3][14].startsWith("-179.99")) << records[3][14].toStdString();
    EXPECT_EQ(app->quit(), 0);
  }
  auto again = start();
  check(*again);
}

// A direction is answered once the log has it: in its file, or, while another program holds the
// file locked, in the journal, from which a later start writes it. A kill right after the answer
// loses neither.
TEST_F(HostileStrikeLog, ADirectionAnsweredSurvivesALockAndAKill) {
  auto newestBearing = [](AutomationClient& app) { return strikes(app)[0].toObject()["bearing"].toDouble(-1); };
  {
    auto app = start();
    measure(*app);
    app->ok("settle");
    app->ok("bearing 45");
    app->kill();
  }
  {
    const LogLock lock(logPath());
    auto app = start(kEpoch + 100);
    EXPECT_EQ(newestBearing(*app), 45);
    app->ok("bearing 90");
    EXPECT_TRUE(QFile::exists(logPath() + ".pending")) << "kept in the journal meanwhile";
    app->kill();
  }
  auto app = start(kEpoch + 200);
  app->ok("settle");
  EXPECT_EQ(newestBearing(*app), 90);
  EXPECT_EQ(app->quit(), 0);
  EXPECT_FALSE(QFile::exists(logPath() + ".pending")) << "written to the log at last";
}

// A receiver's accuracy that says nothing (a dilution of 5e7, or none given) is unknown: no halo, a
// note that says so, and strikes that keep it as unknown and are read back after a restart, as are
// earlier rows whose accuracy of 1e9 m or 0 says nothing either.
TEST_F(HostileStrikeLog, AnAccuracyThatSaysNothingIsUnknownAndKept) {
  start()->quit();
  onLog(logPath(), {insert(kEpoch - 600, ", latitude, longitude, accuracy", ", 48.85, 2.35, 1e9"),
                    insert(kEpoch - 500, ", latitude, longitude, accuracy", ", 48.85, 2.35, 0")});
  for (const QByteArray& dilution : {QByteArray("5e7"), QByteArray()}) {
    SCOPED_TRACE(dilution.toStdString());
    const QString nmea = mine("track.nmea");
    auto sentence = [](const QByteArray& body) {
      unsigned char sum = 0;
      for (char c : body) sum ^= static_cast<unsigned char>(c);
      return "$" + body + "*" + QByteArray::number(sum, 16).toUpper().rightJustified(2, '0') + "\r\n";
    };
    QByteArray fixes;
    for (int second = 0; second < 3; ++second) {
      const QByteArray time = "1200" + QByteArray::number(10 + second) + ".00";
      fixes += sentence("GPGGA," + time + ",4851.396,N,00221.132,E,1,08," + dilution + ",35.0,M,47.0,M,,");
      fixes += sentence("GPRMC," + time + ",A,4851.396,N,00221.132,E,0.0,0.0,070626,,,A");
    }
    put(nmea, fixes);
    const double epoch = kEpoch + (dilution.isEmpty() ? 100 : 0);
    AutomationClient app({"--nmea", nmea, "--manual-clock", QString::number(epoch, 'f', 0)}, home.environment());
    ASSERT_TRUE(app.started());
    // The log's fix, not the place kept from the run before, which stands until it comes.
    const QJsonObject state = waitFor(
        app, [](const QJsonObject& s) { return s["storm"].toObject()["position"].toObject()["source"] == "nmea"; });
    EXPECT_EQ(state["mapView"].toObject()["accuracy"].toDouble(-1), 0) << "no halo";
    EXPECT_TRUE(state["mapView"].toObject()["notice"].toString().contains("accuracy unknown"))
        << state["mapView"].toObject()["notice"].toString().toStdString();
    measure(app);
    app.ok("settle");
    EXPECT_EQ(strikeAt(strikes(app), epoch)["accuracy"].toDouble(-1), 0);
    EXPECT_EQ(app.quit(), 0);
  }
  auto app = start(kEpoch + 200);
  const QJsonArray list = strikes(*app);
  ASSERT_EQ(list.size(), 4) << "every strike written is read";
  for (const QJsonValue& s : list) {
    EXPECT_EQ(s.toObject()["accuracy"].toDouble(-1), 0);
    EXPECT_FALSE(s.toObject()["lat"].isNull());
  }
  // The export leaves an unknown accuracy empty rather than writing an exact 0.
  const QString csv = mine("unknown.csv");
  app->ok("strikes export " + csv);
  const QList<QByteArray> rows = contents(csv).trimmed().split('\n');
  ASSERT_EQ(rows.size(), 5);
  for (const QByteArray& row : rows.mid(1)) EXPECT_EQ(row.split(',')[7], "") << row.toStdString();
  EXPECT_EQ(app->quit(), 0);
  // In the file, the two measured here say "unknown" in a way no measured accuracy can be taken for
  // (and copies from before, which take accuracies up to 10^8 m, still read); the earlier rows are
  // as they were.
  QList<double> stored;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "reader");
    db.setDatabaseName(logPath());
    ASSERT_TRUE(db.open());
    QSqlQuery q("SELECT accuracy FROM strikes ORDER BY time", db);
    while (q.next()) stored << q.value(0).toDouble();
  }
  QSqlDatabase::removeDatabase("reader");
  EXPECT_EQ(stored, (QList<double>{1e9, 0, 1e8, 1e8}));
}

// History over a log of two storms, the newer a long one of 5,000 strikes a second apart: the
// storms are told apart, the list holds every strike, and the chart shows the chosen storm with no
// more strikes than it has room for.
TEST_F(HostileStrikeLog, HistoryChartsALongStormWithinBounds) {
  start()->quit();
  onLog(logPath(), {insert(kEpoch - 86400), insert(kEpoch - 86300),
                    QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 4999) "
                                   "INSERT INTO strikes (time, delay, km, speed) "
                                   "SELECT %1 + i, 3, 1.02 + i % 7, 0.34029 FROM n")
                        .arg(kEpoch - 5100, 0, 'f', 0)});
  auto app = start();
  app->ok("tap history");
  const QJsonObject history = waitFor(*app,
                                      [](const QJsonObject& s) {
                                        return s["history"].toObject()["chart"].toObject()["points"].toInt() > 0;
                                      })["history"]
                                  .toObject();
  EXPECT_EQ(history["storms"].toInt(), 2);
  EXPECT_EQ(history["strikes"].toInt(), 5002);
  const int points = history["chart"].toObject()["points"].toInt();
  EXPECT_GE(points, 1000) << "the long storm is charted";
  EXPECT_LE(points, 2000);
}

// The temporary file of a journal rewrite killed before its rename is gone at the next start; a
// link of that shape, and the journal's lock, are not touched.
TEST_F(HostileStrikeLog, ATemporaryFileLeftByAKilledRewriteIsRemovedAtTheNextStart) {
  start()->quit();
  const QString journal = logPath() + ".pending";
  put(journal + ".Ab12Cd", journalLine(kEpoch - 30));
  ASSERT_TRUE(QFile::link(mine("elsewhere"), journal + ".Zz99Yy"));
  put(mine("elsewhere"), "kept");
  auto app = start();
  app->ok("settle");
  EXPECT_FALSE(QFile::exists(journal + ".Ab12Cd"));
  EXPECT_TRUE(QFileInfo(journal + ".Zz99Yy").isSymLink());
  EXPECT_EQ(contents(mine("elsewhere")), "kept");
  EXPECT_TRUE(QFile::exists(journal + ".lock"));
  EXPECT_EQ(app->quit(), 0);
}

// Directions in Arabic and Persian: the Set direction dialog offers the strike's direction in the
// locale's digits ("٢٠٢٫٥") and takes it back; "4 5" is no number; a direction of 5e-324° is kept
// as the export writes it, a short field.
TEST_F(HostileStrikeLog, DirectionsInTheLocalesDigitsAreTakenAndOddOnesKeptShort) {
  for (const char* locale : {"ar_EG.UTF-8", "fa_IR.UTF-8"}) {
    SCOPED_TRACE(locale);
    QDir(home.data()).removeRecursively();
    QProcessEnvironment environment = home.environment();
    environment.insert("LANG", locale);
    environment.insert("LC_ALL", locale);
    AutomationClient app({"--manual-clock", QString::number(kEpoch, 'f', 0)}, environment);
    ASSERT_TRUE(app.started());
    measure(app);
    app.ok("bearing 202.5");
    app.ok("tap history");
    app.ok("settle");
    for (const char* line : {"key Home", "tap direction", "key Return", "settle"}) app.ok(line);
    EXPECT_FALSE(app.state()["alert"].toObject()["visible"].toBool()) << "the offered direction is taken";
    EXPECT_EQ(app.state()["history"].toObject()["result"].toString(), "Direction saved");
    for (const char* line : {"tap direction", "key Ctrl+A", "key 4", "key Space", "key 5", "key Return", "settle"})
      app.ok(line);
    EXPECT_TRUE(app.state()["alert"].toObject()["visible"].toBool()) << "\"4 5\" is refused";
    for (const char* line : {"key Ctrl+A", "key 4", "key 5", "key Return", "settle"}) app.ok(line);
    EXPECT_FALSE(app.state()["alert"].toObject()["visible"].toBool()) << "\"45\" is taken";
    EXPECT_EQ(strikes(app)[0].toObject()["bearing"].toDouble(), 45);
    app.ok("bearing 5e-324");
    const QString csv = mine("tiny.csv");
    ASSERT_TRUE(app.send("strikes export " + csv)["ok"].toBool());
    const std::vector<QStringList> records = csvRecords(QString::fromUtf8(contents(csv)));
    ASSERT_EQ(records.size(), 2u);
    for (const QString& field : records[1]) EXPECT_LT(field.size(), 30) << field.toStdString();
    EXPECT_EQ(app.quit(), 0);
  }
}
}  // namespace
}  // namespace storm::e2e
