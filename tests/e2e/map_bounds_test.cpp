#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

#include "tests/e2e/AutomationClient.h"
#include "tests/e2e/MapTileServer.h"

// The whole app against a tile server that misbehaves in every way it can: whatever comes back,
// the app keeps answering, stays small, and goes quiet between its tries.

namespace storm::e2e {
namespace {

using Behaviour = test::MapTileServer::Behaviour;

// What the kernel says about a process: its resident memory now and at its peak, and the
// processor time it has used.
struct ProcessFigures {
  qint64 rssKiB = -1;
  qint64 peakRssKiB = -1;
  double cpuSeconds = -1;
};

ProcessFigures figures(qint64 pid) {
  ProcessFigures f;
  QFile status(QString("/proc/%1/status").arg(pid));
  if (status.open(QIODevice::ReadOnly)) {
    for (const QByteArray& line : status.readAll().split('\n')) {
      const QList<QByteArray> words = line.simplified().split(' ');
      if (words.size() < 2) continue;
      if (words[0] == "VmRSS:") f.rssKiB = words[1].toLongLong();
      if (words[0] == "VmHWM:") f.peakRssKiB = words[1].toLongLong();
    }
  }
  QFile stat(QString("/proc/%1/stat").arg(pid));
  if (stat.open(QIODevice::ReadOnly)) {
    // The fields after the command's name, which is in parentheses and may hold spaces.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 12)
      f.cpuSeconds = static_cast<double>(fields[11].toLongLong() + fields[12].toLongLong()) /
                     static_cast<double>(::sysconf(_SC_CLK_TCK));
  }
  return f;
}

// The sanitizers' own bookkeeping makes the process several times larger than it is.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr qint64 kLargestRssKiB = 1024 * 1024;
#else
constexpr qint64 kLargestRssKiB = 200 * 1024;
#endif

TEST(HostileTileServer, TheAppStaysSmallAndQuietWhateverTheServerSends) {
  test::MapTileServer server({
      {"endless", {Qt::red, false, 256, Behaviour::EndlessBody}},
      {"huge", {Qt::red, false, 256, Behaviour::HugeLength}},
      {"bomb", {Qt::blue, false, 5000}},  // decodes to 100 MB
      {"loop", {Qt::red, false, 256, Behaviour::Redirect, "/loop/{z}/{x}/{y}.png"}},
  });
  ASSERT_TRUE(server.start());
  QTemporaryDir dir;
  const QString sources = dir.path() + "/sources.json";
  {
    QFile file(sources);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QString(R"({
      "standard": {"url": "%1", "attribution": "endless"},
      "satellite": {"url": "%2", "attribution": "bomb"},
      "hybrid": {"url": "%3", "attribution": "loop", "overlay": {"url": "%4", "attribution": "huge"}}
    })")
                   .arg(server.urlTemplate("endless"), server.urlTemplate("bomb"), server.urlTemplate("loop"),
                        server.urlTemplate("huge"))
                   .toUtf8());
  }
  AutomationClient app({"--map-sources", sources});
  ASSERT_TRUE(app.started());
  ASSERT_GT(app.pid(), 0);
  app.ok("camera 45 7 10");

  for (int segment : {0, 1, 2}) {
    SCOPED_TRACE("segment " + std::to_string(segment));
    app.ok("segment " + QString::number(segment));
    app.ok("wait 3");
    const double cpuBefore = figures(app.pid()).cpuSeconds;
    app.ok("wait 2");
    const ProcessFigures after = figures(app.pid());
    const QJsonObject tiles = app.state()["mapView"].toObject()["tiles"].toObject();
    EXPECT_GT(tiles["needed"].toInt(), 0);
    EXPECT_EQ(tiles["ready"].toInt(), 0);
    EXPECT_LT(after.peakRssKiB, kLargestRssKiB);
    // Two busy cores would use 4 s in that time.
    EXPECT_LT(after.cpuSeconds - cpuBefore, 0.5);
    std::printf("segment %d: RSS %lld KiB, peak %lld KiB, %.2f s of processor time in 2 s\n", segment,
                after.rssKiB, after.peakRssKiB, after.cpuSeconds - cpuBefore);
  }
  // Each tile's redirects end after a few hops (and its retries wait), not after Qt's fifty.
  EXPECT_LE(server.requests("loop"), 4 * app.state()["mapView"].toObject()["tiles"].toObject()["needed"].toInt());
  EXPECT_EQ(app.quit(), 0);
}

}  // namespace
}  // namespace storm::e2e
