// The map's drawing and memory:
//  - one full repaint of a 360x640 map whose tiles are all in memory (with the storm circle, the
//    user's dot, the scale bar and the credit) against drawing one full-window image the same size;
//    the same with the rings of twelve earlier strikes and the storm's panel over the map, and with
//    twelve strikes placed by their direction and the storm's track besides;
//  - one strike's refresh of the storm on the map (its rings, trend and panel worked out, the map
//    repainted) with 50,000 strikes in the last hour against the same with 10;
//  - the process's resident memory after panning across 500 distinct tiles, fetched from a tile
//    server on loopback, against right after the map first showed, set beside the memory cache's
//    bound plus 10%.
// Run: build/release/bench/map_bench (the offscreen platform is used unless another is set).

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <unistd.h>
#include <cstdio>
#include <map>
#include <thread>

#include "map/GeoMath.h"
#include "map/qt/MapWidget.h"
#include "storm/StormPicture.h"
#include "storm/StormWatch.h"
#include "storm/qt/StormLayer.h"
#include "support/FakeStorm.h"
#include "system/ManualClock.h"
#include "tests/support/MapTileServer.h"

namespace {

using storm::qt::MapWidget;

struct Scene {
  storm::test::MapTileServer server{{{"s", {QColor(120, 180, 120)}}}};
  QTemporaryDir cache;
  MapWidget map;
  QImage target{360, 640, QImage::Format_ARGB32_Premultiplied};
};
Scene* scene = nullptr;

long residentBytes() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * sysconf(_SC_PAGESIZE);
}

// Paints until every tile the map shows is in memory.
bool paintUntilLoaded(MapWidget& map, QImage& target) {
  QElapsedTimer elapsed;
  elapsed.start();
  for (;;) {
    map.render(&target);
    const auto status = map.model().tileStatus();
    if (status.needed > 0 && status.ready == status.needed) return true;
    if (elapsed.elapsed() > 20000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void MapRepaintAllTilesCached(benchmark::State& state) {
  MapWidget& map = scene->map;
  const double zoom = static_cast<double>(state.range(0)) / 10;
  // Two cameras a pixel apart, both with all their tiles in memory: each repaint is a new frame.
  const storm::geo::Camera a{{47.3769, 8.5417}, zoom};
  const double shift = 1.0 / (256 * std::exp2(zoom)) * 360;
  const storm::geo::Camera b{{47.3769, 8.5417 + shift}, zoom};
  for (const auto& camera : {a, b}) {
    map.model().setCamera(camera, false);
    if (!paintUntilLoaded(map, scene->target)) state.SkipWithError("tiles did not load");
  }
  bool flip = false;
  for (auto _ : state) {
    map.model().setCamera(flip ? a : b, false);
    flip = !flip;
    map.render(&scene->target);
    benchmark::DoNotOptimize(scene->target.constBits());
  }
}
BENCHMARK(MapRepaintAllTilesCached)->Arg(120)->Arg(123)->Unit(benchmark::kMicrosecond);

// An hour of earlier strikes ringing the map and the storm's panel over it; with `track`, twelve of
// them placed by their direction too, and the storm's track with its cone and its words.
void showStorm(storm::qt::StormLayer& layer, bool track) {
  std::vector<storm::StrikeRing> rings;
  std::vector<storm::StrikeMark> marks;
  for (int i = 0; i < 12; ++i) {
    const storm::GeoPoint from{47.3769 + 0.01 * (i % 3), 8.5417 + 0.01 * (i % 4)};
    rings.push_back({from, 3.0 + i, 0.85 - 0.06 * i});
    marks.push_back({from, 250.0 + 3 * i, 3.0 + i, 0.85 - 0.06 * i});
  }
  layer.setStrikeRings(rings);
  storm::StormPanel panel;
  panel.trend = "Approaching · 0.5 km/min · within 10 km in about 12 min";
  panel.shelter = "Take shelter now";
  panel.countdown = "All clear in 29:59";
  if (track) {
    layer.setStrikeMarks(marks);
    const storm::GeoPoint here{47.3769, 8.5417};
    storm::TrackPicture path;
    path.centre = storm::geo::destination(here, 260, 6000);
    path.headingDegrees = 70;
    path.spreadDegrees = 20;
    path.aheadKm = 20;
    path.ahead = storm::geo::destination(path.centre, 70, 20000);
    path.closest = storm::geo::destination(here, 340, 4000);
    layer.setStormTrack(path);
    panel.track = "Moving east at about 40 km/h";
    panel.course = "Closest about 4 km north of you in about 9 min";
  }
  layer.setStormPanel(panel);
}

// As above, with the storm on the map.
void MapRepaintWithRingsAndPanel(benchmark::State& state) {
  storm::qt::StormLayer layer(&scene->map);
  showStorm(layer, false);
  MapRepaintAllTilesCached(state);
}
BENCHMARK(MapRepaintWithRingsAndPanel)->Arg(120)->Unit(benchmark::kMicrosecond);

// As above, with strikes placed by their direction and the storm's track besides.
void MapRepaintWithTrack(benchmark::State& state) {
  storm::qt::StormLayer layer(&scene->map);
  showStorm(layer, true);
  MapRepaintAllTilesCached(state);
}
BENCHMARK(MapRepaintWithTrack)->Arg(120)->Unit(benchmark::kMicrosecond);

// One more strike, as the watch announces it, with `range(0)` strikes already in the hour: the
// picture works the storm out and the map is repainted.
void StrikeRefresh(benchmark::State& state) {
  MapWidget& map = scene->map;
  map.model().setCamera({{47.3769, 8.5417}, 11}, false);
  paintUntilLoaded(map, scene->target);
  const double now = 1.7e9;
  auto clock = std::make_shared<storm::ManualClock>(now);
  auto log = std::make_shared<storm::fakes::MemoryStrikeLog>();
  const auto strike = [](double time, int i) {
    storm::Strike s;
    s.time = time;
    s.delay = 10 + (i % 40);
    s.km = s.delay * 0.343;
    s.position = storm::StrikePosition{47.3769 + 0.001 * (i % 50), 8.5417 + 0.001 * (i % 70), 25, "system"};
    return s;
  };
  const auto count = static_cast<int>(state.range(0));
  for (int i = 0; i < count; ++i) log->strikes.push_back(strike(now - 3590 + 3580.0 * i / count, i));
  auto watch =
      std::make_shared<storm::StormWatch>(storm::StormWatch::Services{log, clock, clock, nullptr, nullptr, nullptr});
  auto layer = std::make_shared<storm::qt::StormLayer>(&map);
  auto picture =
      std::make_shared<storm::StormPicture>(watch, layer, storm::StormPicture::Services{clock, clock, nullptr});
  watch->start();
  picture->start();
  int i = count;
  for (auto _ : state) {
    const storm::Strike s = strike(now - 5 + 1e-3 * (i - count), i);
    ++i;
    log->append(s);
    watch->strikeRecorded(s);
    map.render(&scene->target);
    benchmark::DoNotOptimize(scene->target.constBits());
  }
}
BENCHMARK(StrikeRefresh)->Arg(10)->Arg(50000)->Iterations(200)->Unit(benchmark::kMicrosecond);

void FullWindowImage(benchmark::State& state) {
  QImage picture(360, 640, QImage::Format_RGB32);
  picture.fill(QColor(120, 180, 120));
  for (auto _ : state) {
    QPainter painter(&scene->target);
    painter.drawImage(0, 0, picture);
    painter.end();
    benchmark::DoNotOptimize(scene->target.constBits());
  }
}
BENCHMARK(FullWindowImage)->Unit(benchmark::kMicrosecond);

// Keeps each run's time per iteration to work out the ratios.
class Collector : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> nanoseconds;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (!run.error_occurred)
        nanoseconds[run.benchmark_name()] =
            run.GetAdjustedRealTime() * (run.time_unit == benchmark::kMicrosecond ? 1e3 : 1);
    ConsoleReporter::ReportRuns(runs);
  }
};

void memoryAfterPanning() {
  MapWidget& map = scene->map;
  map.model().setCamera({{10, -150}, 11}, false);
  paintUntilLoaded(map, scene->target);
  QCoreApplication::processEvents();
  const long before = residentBytes();
  const int requestsBefore = scene->server.requests();
  // East along a parallel, a tile's width at a time: each step brings a new column of tiles.
  storm::geo::Camera camera = map.model().camera();
  const double tileDegrees = 360.0 / std::exp2(camera.zoom);
  while (scene->server.requests() - requestsBefore < 500) {
    camera.center.longitude += tileDegrees;
    map.model().setCamera(camera, false);
    if (!paintUntilLoaded(map, scene->target)) {
      std::printf("panning: tiles did not load\n");
      return;
    }
  }
  QCoreApplication::processEvents();
  const long after = residentBytes();
  const double bound = static_cast<double>(map.model().tileLoader()->memoryBound());
  const double growth = static_cast<double>(after - before);
  std::printf("\nmemory: %d distinct tiles fetched while panning\n", scene->server.requests() - requestsBefore);
  std::printf("memory: resident %.1f MiB after the first view, %.1f MiB after panning: growth %.1f MiB\n",
              before / 1048576.0, after / 1048576.0, growth / 1048576.0);
  std::printf(
      "memory: cache bound %.1f MiB (+10%%: %.1f MiB), tiles held %.1f MiB; growth / (bound + 10%%) = %.2f (target <= "
      "1)\n",
      bound / 1048576.0, bound * 1.1 / 1048576.0, map.model().tileLoader()->memoryUsed() / 1048576.0,
      growth / (bound * 1.1));
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  Scene s;
  scene = &s;
  if (!s.server.start()) {
    std::fprintf(stderr, "cannot start the loopback tile server\n");
    return 1;
  }
  QString error;
  auto sources = storm::qt::MapSources::parse(
      QString(R"({"standard": {"url": "%1", "maxZoom": 19, "attribution": "© OpenStreetMap contributors"}})")
          .arg(s.server.urlTemplate("s"))
          .toUtf8(),
      error);
  auto settings = storm::qt::TileLoader::Settings::defaults();
  settings.diskFolder = s.cache.path() + "/tiles";
  s.map.model().setTileSources(*sources, settings);
  s.map.resize(360, 640);
  s.map.model().setUserLocation(storm::GeoPoint{47.3769, 8.5417}, 25);
  // The storm circle in the main screen's colours.
  s.map.model().addCircle({47.3769, 8.5417}, 3573.045, [] {
    return storm::qt::MapCircleStyle{QColor::fromRgbF(0, 0, 0, 0.5f), QColor::fromRgbF(1, 0, 0, 0.25f), 0};
  });

  // Memory first, while the process is still fresh (--repaint-only skips it, for profiling).
  bool repaintOnly = false;
  for (int i = 1; i < argc; ++i) repaintOnly = repaintOnly || std::string(argv[i]) == "--repaint-only";
  if (!repaintOnly) memoryAfterPanning();

  benchmark::Initialize(&argc, argv);
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  const double image = collector.nanoseconds["FullWindowImage"];
  for (const char* name : {"MapRepaintAllTilesCached/120", "MapRepaintAllTilesCached/123"}) {
    const double repaint = collector.nanoseconds[name];
    if (image > 0 && repaint > 0)
      std::printf("repaint: %s %.1f us against one full-window image %.1f us: ratio %.2f (target <= 2)\n", name,
                  repaint / 1e3, image / 1e3, repaint / image);
  }
  // Rings that reach past the view make the overlay picture as large as the view: one more
  // full-window image to lay over the tiles.
  const double plain = collector.nanoseconds["MapRepaintAllTilesCached/120"];
  const double storm = collector.nanoseconds["MapRepaintWithRingsAndPanel/120"];
  if (image > 0 && plain > 0 && storm > 0)
    std::printf("repaint: with rings and panel %.1f us, %.1f us more than without: %.2f full-window images more\n",
                storm / 1e3, (storm - plain) / 1e3, (storm - plain) / image);
  const double tracked = collector.nanoseconds["MapRepaintWithTrack/120"];
  if (image > 0 && storm > 0 && tracked > 0)
    std::printf(
        "repaint: with placed strikes and the track %.1f us, %.1f us more than rings and panel: %.2f "
        "full-window images more\n",
        tracked / 1e3, (tracked - storm) / 1e3, (tracked - storm) / image);
  const double quiet = collector.nanoseconds["StrikeRefresh/10/iterations:200"];
  const double busy = collector.nanoseconds["StrikeRefresh/50000/iterations:200"];
  if (quiet > 0 && busy > 0)
    std::printf(
        "strike: one strike's refresh with 50,000 strikes in the hour %.2f ms against %.2f ms with 10: ratio "
        "%.2f\n",
        busy / 1e6, quiet / 1e6, busy / quiet);
  benchmark::Shutdown();
  return 0;
}
