#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <sys/stat.h>

#include "support/Sandbox.h"

// The one running copy's claim outlives nothing: a copy that was killed leaves its lock file
// behind, and the next launch takes it over and runs rather than asking a dead copy; a launch
// after that finds the new copy and brings it forward.

namespace storm::e2e {
namespace {

// The process that holds a flock on `lock` (from the kernel's table of locks), or 0.
qint64 lockHolder(const QString& lock) {
  struct stat st {};
  QFile locks("/proc/locks");
  if (::stat(QFile::encodeName(lock).constData(), &st) != 0 || !locks.open(QIODevice::ReadOnly)) return 0;
  // "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"
  for (const QByteArray& line : locks.readAll().split('\n')) {
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() > 5 && fields[1] == "FLOCK" && fields[5].split(':').value(2).toULongLong() == st.st_ino)
      return fields[4].toLongLong();
  }
  return 0;
}

TEST(SingleInstance, AKilledCopysLockIsTakenOverByTheNextLaunch) {
  test::Sandbox home;
  QProcessEnvironment env = home.environment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("STORM_DISTANCE_NO_RATING_PROMPT", "1");
  // No tiles and a fixed position: the app reaches no other host.
  const QStringList arguments{"--map-sources", "/dev/null", "--location", "48,11"};
  const QString lock = home.config() + "/storm-distance/instance.lock";
  const auto holderBecomes = [&lock](qint64 pid) {
    QDeadlineTimer deadline(10000);
    while (lockHolder(lock) != pid && !deadline.hasExpired()) QThread::msleep(20);
    return lockHolder(lock) == pid;
  };

  QProcess first, second;
  for (QProcess* copy : {&first, &second}) copy->setProcessEnvironment(env);
  first.start(STORM_APP_BINARY, arguments);
  ASSERT_TRUE(first.waitForStarted(10000));
  ASSERT_TRUE(holderBecomes(first.processId()));
  first.kill();  // SIGKILL: nothing of the app's runs on the way out
  ASSERT_TRUE(first.waitForFinished(10000));
  ASSERT_TRUE(QFile::exists(lock)) << "the killed copy's lock file is still there";

  second.start(STORM_APP_BINARY, arguments);
  ASSERT_TRUE(second.waitForStarted(10000));
  EXPECT_TRUE(holderBecomes(second.processId())) << second.readAllStandardError().toStdString();
  EXPECT_EQ(second.state(), QProcess::Running);
  EXPECT_FALSE(second.readAllStandardError().contains("already running"));

  QProcess third;
  third.setProcessEnvironment(env);
  third.start(STORM_APP_BINARY, arguments);
  ASSERT_TRUE(third.waitForFinished(10000));
  EXPECT_EQ(third.exitCode(), 0);
  EXPECT_TRUE(third.readAllStandardError().contains("already running; brought its window forward"));
  second.kill();
  second.waitForFinished(5000);
}

}  // namespace
}  // namespace storm::e2e
