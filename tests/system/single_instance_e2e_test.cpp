#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include "support/Sandbox.h"

// The one running copy's claim outlives nothing: a copy that was killed leaves its lock file
// behind, and the next launch takes it over and runs rather than asking a dead copy.

namespace storm::e2e {
namespace {

// The process id the lock file names (its first line), or 0.
qint64 lockHolder(const QString& lock) {
  QFile file(lock);
  return file.open(QIODevice::ReadOnly) ? file.readLine().trimmed().toLongLong() : 0;
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
  second.kill();
  second.waitForFinished(5000);
}

}  // namespace
}  // namespace storm::e2e
