#include <gtest/gtest.h>
#include <QFile>

#include "support/AutomationClient.h"

// Automation mode under a driver that pushes it hard: what it holds stays bounded however many
// lines arrive while a command runs, and however often the manual clock moves on.

namespace storm::e2e {
namespace {

// A figure of the process's from /proc/PID/status, in KiB; -1 when it cannot be read.
qint64 statusKiB(qint64 pid, const QByteArray& name) {
  QFile status(QString("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith(name + ":")) return line.mid(name.size() + 1).simplified().split(' ').value(0).toLongLong();
  return -1;
}

// The sanitizers' own bookkeeping makes every allocation cost more.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr qint64 kSlackKiB = 96 * 1024;
constexpr qint64 kQueueSlackKiB = 24 * 1024;
#else
constexpr qint64 kSlackKiB = 32 * 1024;
constexpr qint64 kQueueSlackKiB = 8 * 1024;
#endif

// Half a million empty lines sent during a `wait` (in memory as lines, far more than their bytes): the
// app takes in only so many while it waits, and still answers every one, in order.
TEST(AutomationBounds, LinesArrivingDuringAWaitQueueWithinABoundAndAllGetAnswers) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  // The address sanitizer keeps freed memory aside (256 MB of it by default), which would hide the
  // queue's peak in its own; a small reserve keeps the figure meaningful.
  environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") + ":quarantine_size_mb=1");
  AutomationClient app({"--manual-clock", "1700000000"}, environment);
  ASSERT_TRUE(app.started());
  app.state();
  const qint64 before = statusKiB(app.pid(), "VmHWM");
  constexpr qsizetype kLines = 500'000;
  app.post("wait 2\n" + QString(kLines - 1, '\n'));
  const QList<QByteArray> answers = app.answers(1 + kLines);
  ASSERT_EQ(answers.size(), 1 + kLines);
  EXPECT_EQ(answers.front(), R"({"ok":true})");
  EXPECT_EQ(answers.back(), R"({"error":"empty command"})");
  EXPECT_EQ(answers.count(QByteArray(R"({"error":"empty command"})")), kLines);
  EXPECT_EQ(app.send("wait 0")["ok"], true);
  const qint64 growth = statusKiB(app.pid(), "VmHWM") - before;
  EXPECT_LT(growth, kQueueSlackKiB) << growth << " KiB more at the peak";
}

// The advertisement rotates every half minute, and each new one glides the banner into place: a
// day's `advance` brings close to three thousand of them. What they take is given back, so a hundred
// such days hold no more than ten.
TEST(AutomationBounds, RepeatedAdvancesHoldNoMoreMemoryThanAFew) {
  AutomationClient app({"--manual-clock", "1700000000"});
  ASSERT_TRUE(app.started());
  for (int i = 0; i < 10; ++i) app.ok("advance 86400");
  const qint64 afterTen = statusKiB(app.pid(), "VmRSS");
  for (int i = 10; i < 110; ++i) app.ok("advance 86400");
  const qint64 afterMore = statusKiB(app.pid(), "VmRSS");
  ASSERT_GT(afterTen, 0);
  EXPECT_LT(afterMore - afterTen, kSlackKiB) << afterTen << " KiB after 10, " << afterMore << " KiB after 110";
}

}  // namespace
}  // namespace storm::e2e
