#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

#include <utility>
#include <vector>

#include "support/AutomationClient.h"
#include "support/MapTileServer.h"
#include "support/WaitForState.h"

// The whole app where the map could grow without bound or keep the processor busy: a tile server
// that misbehaves in every way it can, and a switch to a map type whose tiles go far less deep than
// the view. Whatever happens, the app keeps answering, stays small, and goes quiet.

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

// The sanitizers' own bookkeeping makes the process larger (under ASan about 170 MB) and slower.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr qint64 kLargestRssKiB = 512 * 1024;
constexpr double kMostProcessorShare = 1.0 / 3;
#else
constexpr qint64 kLargestRssKiB = 200 * 1024;
constexpr double kMostProcessorShare = 1.0 / 6;  // of one core, over the wait for a retry
#endif

QString writeSources(const QTemporaryDir& dir, const QString& json) {
  const QString path = dir.path() + "/sources.json";
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(json.toUtf8()) != json.toUtf8().size())
    ADD_FAILURE() << "cannot write " << path.toStdString();
  return path;
}

bool tilesReady(const QJsonObject& s) {
  const QJsonObject tiles = s["mapView"].toObject()["tiles"].toObject();
  return tiles["needed"].toInt() > 0 && tiles["ready"] == tiles["needed"];
}

// Every tile on show has failed its first try.
bool everyTileFailing(const QJsonObject& s) {
  const QJsonObject tiles = s["mapView"].toObject()["tiles"].toObject();
  return tiles["needed"].toInt() > 0 && tiles["failing"] == tiles["needed"];
}

// A map type's layers, each with the requests one try of one of its tiles makes (a redirect loop
// is followed three times).
using Layers = std::vector<std::pair<QString, int>>;

// The server has seen every tile on show tried twice.
bool everyTileRetried(const QJsonObject& s, const test::MapTileServer& server, const Layers& layers) {
  const int perLayer = s["mapView"].toObject()["tiles"].toObject()["needed"].toInt() / static_cast<int>(layers.size());
  for (const auto& [layer, perTry] : layers)
    if (server.requests(layer) < 2 * perTry * perLayer) return false;
  return true;
}

TEST(HostileTileServer, TheAppStaysSmallAndQuietWhateverTheServerSends) {
  test::MapTileServer server({
      {"endless", {Qt::red, false, 256, Behaviour::EndlessBody}},
      {"huge", {Qt::red, false, 256, Behaviour::HugeLength}},
      {"bomb", {Qt::blue, false, 5000}},  // decodes to 100 MB
      {"loop", {Qt::red, false, 256, Behaviour::Redirect, "/loop/{z}/{x}/{y}.png"}},
  });
  ASSERT_TRUE(server.start());
  QTemporaryDir dir;
  const QString sources = writeSources(dir, QString(R"({
      "standard": {"url": "%1", "attribution": "endless"},
      "satellite": {"url": "%2", "attribution": "bomb"},
      "hybrid": {"url": "%3", "attribution": "loop", "overlay": {"url": "%4", "attribution": "huge"}}
    })")
                                                .arg(server.urlTemplate("endless"), server.urlTemplate("bomb"),
                                                     server.urlTemplate("loop"), server.urlTemplate("huge")));
  AutomationClient app({"--map-sources", sources});
  ASSERT_TRUE(app.started());
  ASSERT_GT(app.pid(), 0);
  app.ok("camera 45 7 10");

  const std::vector<Layers> layers{{{"endless", 1}}, {{"bomb", 1}}, {{"loop", 4}, {"huge", 1}}};
  int tilesOnShow = 0;
  for (int segment : {0, 1, 2}) {
    SCOPED_TRACE("segment " + std::to_string(segment));
    app.ok("segment " + QString::number(segment));
    waitFor(app, everyTileFailing);
    const double cpuBefore = figures(app.pid()).cpuSeconds;
    QElapsedTimer waited;
    waited.start();
    // Every tile's retry, 2 s after its first try, what the background made of it included.
    waitFor(app, [&](const QJsonObject& s) { return everyTileRetried(s, server, layers[segment]); });
    app.ok("settle");
    const ProcessFigures after = figures(app.pid());
    const QJsonObject tiles = app.state()["mapView"].toObject()["tiles"].toObject();
    tilesOnShow = tiles["needed"].toInt();
    EXPECT_GT(tilesOnShow, 0);
    EXPECT_EQ(tiles["ready"].toInt(), 0);
    EXPECT_LT(after.peakRssKiB, kLargestRssKiB);
    const double seconds = static_cast<double>(waited.elapsed()) / 1000;
    EXPECT_LT(after.cpuSeconds - cpuBefore, kMostProcessorShare * seconds);
    std::printf("segment %d: RSS %lld KiB, peak %lld KiB, %.2f s of processor time in %.2f s\n", segment,
                after.rssKiB, after.peakRssKiB, after.cpuSeconds - cpuBefore, seconds);
  }
  // Half the hybrid map's tiles are the looping base layer's; up to their retry each was tried
  // twice, and each try ends after three redirects (Qt by itself follows fifty).
  EXPECT_LE(server.requests("loop"), tilesOnShow / 2 * 2 * 4);
  EXPECT_EQ(app.quit(), 0);
}

// Imagery that goes 8 levels less deep than the streets: switching to it at the streets' deepest
// zoom takes the camera to the imagery's deepest, rather than blowing each tile up 256-fold.
TEST(ShallowMapType, SwitchingToItAtDeepZoomKeepsTheAppSmall) {
  test::MapTileServer server({{"std", {QColor(0, 160, 0)}}, {"sat", {QColor(0, 0, 200)}}});
  ASSERT_TRUE(server.start());
  QTemporaryDir dir;
  const QString sources = writeSources(dir, QString(R"({
      "standard": {"url": "%1", "maxZoom": 19, "attribution": "Test streets"},
      "satellite": {"url": "%2", "maxZoom": 11, "attribution": "Test imagery"}
    })")
                                                .arg(server.urlTemplate("std"), server.urlTemplate("sat")));
  AutomationClient app({"--map-sources", sources});
  ASSERT_TRUE(app.started());
  app.ok("camera 45 7 19");
  waitFor(app, tilesReady);
  app.ok("segment 1");
  app.ok("settle");
  waitFor(app, tilesReady);
  app.ok("screenshot " + dir.path() + "/shot.png");  // paints
  const QJsonObject state = app.state();
  ASSERT_FALSE(state.isEmpty()) << "the app answers";
  EXPECT_EQ(state["mapView"].toObject()["zoom"].toDouble(), 11);
  const ProcessFigures f = figures(app.pid());
  EXPECT_LT(f.peakRssKiB, kLargestRssKiB);
  std::printf("after the switch: RSS %lld KiB, peak %lld KiB\n", f.rssKiB, f.peakRssKiB);
  EXPECT_EQ(app.quit(), 0);
}

}  // namespace
}  // namespace storm::e2e
