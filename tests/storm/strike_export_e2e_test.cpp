// Exports of the strike log that must not succeed, or must not claim to.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>
#include <cstring>

#include "support/AutomationClient.h"
#include "support/Sandbox.h"

namespace storm::e2e {
namespace {

class StrikeExport : public ::testing::Test {
 protected:
  test::Sandbox home;
  QString logPath() const { return home.strikeLog(); }
  QString out(const QString& name) const { return home.path() + "/" + name; }
  // A log of `rows` strikes a second apart, written by the app's own schema; the index is made after
  // the rows, so that the table's pages come first in the file.
  void writeLog(int rows) {
    QDir().mkpath(home.data() + "/storm-distance");
    {
      QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "export-log");
      db.setDatabaseName(logPath());
      ASSERT_TRUE(db.open());
      QSqlQuery q(db);
      ASSERT_TRUE(
          q.exec("CREATE TABLE strikes (id INTEGER PRIMARY KEY, time REAL NOT NULL, delay REAL NOT NULL, "
                 "km REAL NOT NULL, speed REAL NOT NULL, latitude REAL, longitude REAL, accuracy REAL NOT "
                 "NULL DEFAULT 0, source TEXT)"));
      ASSERT_TRUE(q.exec("BEGIN"));
      for (int i = 0; i < rows; ++i)
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO strikes (time, delay, km, speed) VALUES (%1, 3, 1.02, 0.34029)")
                               .arg(1690000000 + i)));
      ASSERT_TRUE(q.exec("COMMIT"));
      ASSERT_TRUE(q.exec("CREATE INDEX strikes_by_time ON strikes (time)"));
      ASSERT_TRUE(q.exec("PRAGMA user_version = 2"));
      db.close();
    }
    QSqlDatabase::removeDatabase("export-log");
  }
  static bool isFifo(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
  }
};

TEST_F(StrikeExport, WritesOnlyARegularFileOrANewOneAndSaysWhatWentWrong) {
  writeLog(3000);
  QFile::link(logPath(), out("link-to-log"));
  ASSERT_EQ(::link(QFile::encodeName(logPath()).constData(), QFile::encodeName(out("hard-link-to-log")).constData()),
            0);
  ASSERT_EQ(::mkfifo(QFile::encodeName(out("fifo")).constData(), 0644), 0);
  QFile::link(out("fifo"), out("link-to-fifo"));

  AutomationClient app({"--manual-clock", "1700000000"}, home.environment());
  ASSERT_TRUE(app.started());
  for (const QString& target : {logPath(), out("link-to-log"), out("hard-link-to-log")})
    EXPECT_TRUE(app.send("strikes export " + target)["error"].toString().contains("the strike log itself"))
        << target.toStdString();
  for (const QString& target : {out("fifo"), out("link-to-fifo")})
    EXPECT_TRUE(app.send("strikes export " + target)["error"].toString().contains("not a regular file"))
        << target.toStdString();
  EXPECT_TRUE(isFifo(out("fifo")));
  EXPECT_TRUE(QFileInfo(out("link-to-fifo")).isSymLink());
  EXPECT_EQ(app.send("strikes")["strikes"].toArray().size(), 3000) << "the log is as it was";

  // The path as it stands, and a file there replaced whole.
  QFile old(out("two  spaces.csv"));
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("an older export\n");
  old.close();
  app.ok("strikes export " + out("two  spaces.csv"));
  QFile csv(out("two  spaces.csv"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  EXPECT_EQ(csv.readAll().count('\n'), 3001);

  // A full disk where the export goes is a write failure of that file.
  const QString full = out("full");
  ASSERT_TRUE(QDir().mkpath(full));
  if (::mount("tmpfs", QFile::encodeName(full).constData(), "tmpfs", 0, "size=64k") == 0) {
    struct Unmount {
      QByteArray at;
      ~Unmount() { ::umount2(at.constData(), MNT_DETACH); }
    } unmount{QFile::encodeName(full)};
    QFile filler(full + "/filler");
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    while (filler.write(QByteArray(4096, 'f')) > 0 && filler.flush()) {
    }
    filler.close();
    const QString error = app.send("strikes export " + full + "/log.csv")["error"].toString();
    EXPECT_TRUE(error.startsWith("cannot write " + full + "/log.csv")) << error.toStdString();
  } else {
    std::fprintf(stderr, "the full disk is not tried: no tmpfs (%s); as root it is\n", std::strerror(errno));
  }
  EXPECT_EQ(app.quit(), 0);
  EXPECT_FALSE(app.stderrText().contains("cannot read the strike log"));
}

// A log past the size checked whole at open, with a damaged page in the middle of its table: the
// export writes every strike it can read, from either side of the page, says that the rest could
// not be read, and the log stays where it is.
TEST_F(StrikeExport, ADamagedLogExportsWhatCanBeReadAndSaysSo) {
  constexpr int kRows = 200000;
  writeLog(0);
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "export-log");
    db.setDatabaseName(logPath());
    ASSERT_TRUE(db.open());
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec("DROP INDEX strikes_by_time"));
    ASSERT_TRUE(q.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                      "INSERT INTO strikes (time, delay, km, speed) SELECT 1690000000 + i, 3, 1.02, "
                                      "0.34029 FROM n")
                           .arg(kRows - 1)));
    ASSERT_TRUE(q.exec("CREATE INDEX strikes_by_time ON strikes (time)"));
    db.close();
  }
  QSqlDatabase::removeDatabase("export-log");
  ASSERT_GT(QFileInfo(logPath()).size(), 8 << 20);
  QFile damaged(logPath());
  ASSERT_TRUE(damaged.open(QIODevice::ReadWrite));
  ASSERT_TRUE(damaged.seek(200 * 4096));
  damaged.write(QByteArray(4096, '\x5a'));
  damaged.close();
  AutomationClient app({"--manual-clock", "1700000000"}, home.environment());
  ASSERT_TRUE(app.started());
  const QString error = app.send("strikes export " + out("partial.csv"))["error"].toString();
  EXPECT_TRUE(error.contains("damaged") && error.contains("were exported")) << error.toStdString();
  QFile csv(out("partial.csv"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = csv.readAll().split('\n');
  EXPECT_GT(lines.size(), kRows - 1000);
  EXPECT_LT(lines.size(), kRows + 1) << "the damaged page's rows are missing";
  EXPECT_TRUE(lines.value(lines.size() - 2).startsWith(QByteArray::number(1690000000 + kRows - 1)))
      << "the newest strike, past the damaged page";
  EXPECT_TRUE(error.startsWith("the strike log is damaged: " + QString::number(lines.size() - 2) + " strikes"));
  EXPECT_EQ(app.quit(), 0);
  EXPECT_TRUE(QFileInfo(logPath()).isFile());
  EXPECT_TRUE(QDir(home.data() + "/storm-distance").entryList({"*damaged*"}).isEmpty()) << "not moved aside";
}

// With no file the log can use (a folder in the place of the log and of its own log beside it),
// the strikes shown are exported from what the run and the journal keep, and a restart still has
// them.
TEST_F(StrikeExport, WithNoUsableLogTheShownStrikesExportAndSurviveARestart) {
  const QString folder = home.data() + "/storm-distance";
  ASSERT_TRUE(QDir().mkpath(logPath()));
  ASSERT_TRUE(QDir().mkpath(folder + "/strikes-v3.sqlite"));
  for (int run = 0; run < 2; ++run) {
    AutomationClient app({"--manual-clock", QString::number(1700000000 + run * 100)}, home.environment());
    ASSERT_TRUE(app.started());
    if (run == 0) {
      for (int i = 0; i < 3; ++i) {
        app.ok("tap button");
        app.ok("advance 2");
        app.ok("tap button");
        app.ok("advance 5");
      }
    }
    app.ok("settle");
    EXPECT_EQ(app.send("strikes")["strikes"].toArray().size(), 3);
    const QString csv = out(QString("run%1.csv").arg(run));
    const QJsonObject answer = app.send("strikes export " + csv);
    EXPECT_TRUE(answer["ok"].toBool()) << answer["error"].toString().toStdString();
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count('\n'), 4) << "the header and three strikes";
    EXPECT_EQ(app.quit(), 0);
  }
}

}  // namespace
}  // namespace storm::e2e
