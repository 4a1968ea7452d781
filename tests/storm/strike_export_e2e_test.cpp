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

  // A damaged page in the middle of the table: the export says it could not read it all.
  QFile damaged(logPath());
  ASSERT_TRUE(damaged.open(QIODevice::ReadWrite));
  ASSERT_TRUE(damaged.seek(20 * 4096));
  damaged.write(QByteArray(4096, '\x5a'));
  damaged.close();
  AutomationClient again({"--manual-clock", "1700000000"}, home.environment());
  ASSERT_TRUE(again.started());
  const QString error = again.send("strikes export " + out("partial.csv"))["error"].toString();
  EXPECT_TRUE(error.contains("damaged")) << error.toStdString();
  EXPECT_FALSE(QFile::exists(out("partial.csv")));
}

}  // namespace
}  // namespace storm::e2e
