// The strike log: what an append costs the main thread against a write done in place, and the app's
// start to its first frame with a 100,000-strike log against the same start with no log, and against a
// log of only the last hour's strikes (the same rings and panel on the map, so the log's size alone).

#include <QCoreApplication>
#include <QDateTime>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <memory>

#include "BenchSupport.h"
#include "StrikeLogFill.h"
#include "system/ManualClock.h"
#include "storm/qt/SqliteStrikeStore.h"
#include "system/qt/WorkerPool.h"
#include "tests/support/Sandbox.h"

namespace {

QString gFolder;  // a fresh folder for the micro-benchmarks' logs

// A strike of a storm that comes and goes: each has its own distance, as in a real storm.
storm::Strike sampleStrike(double time) {
  storm::Strike s;
  s.time = time;
  s.delay = 5 + std::fmod(time, 53.0) * 0.37;
  s.km = static_cast<float>(s.delay * 0.34029);
  s.speed = 0.34029;
  s.position = storm::StrikePosition{48.8566, 2.3522, 25, "system"};
  return s;
}

// What the main thread pays for a strike: its line in the journal of pending strikes (after which a
// kill cannot lose it) and the queueing of its write; the worker writes it to the database.
void BM_AppendOnMainThread(benchmark::State& state) {
  auto pool = std::make_shared<storm::qt::WorkerPool>();
  auto clock = std::make_shared<storm::ManualClock>(1.7e9);
  storm::qt::SqliteStrikeStore store(gFolder + "/append.sqlite", pool, clock);
  store.waitForIdle();
  double t = 1.7e9;
  for (auto _ : state) store.append(sampleStrike(t += 1));
  // Timing ended with the loop; the queued writes finish before the next benchmark.
  store.waitForIdle();
}
BENCHMARK(BM_AppendOnMainThread)->Iterations(2000)->UseRealTime();

// The baseline: the same strike written with the caller waiting for its commit.
void BM_WriteInPlace(benchmark::State& state) {
  auto pool = std::make_shared<storm::qt::WorkerPool>();
  auto clock = std::make_shared<storm::ManualClock>(1.7e9);
  storm::qt::SqliteStrikeStore store(gFolder + "/in-place.sqlite", pool, clock);
  store.waitForIdle();
  double t = 1.7e9;
  for (auto _ : state) {
    store.append(sampleStrike(t += 1));
    store.waitForIdle();
  }
}
BENCHMARK(BM_WriteInPlace)->Iterations(300)->UseRealTime();

// A log of `count` strikes, the last hundred of them in the last hour, as a long-used app has.
bool writeLog(const QString& path, int count) {
  const double now = static_cast<double>(QDateTime::currentSecsSinceEpoch());
  return storm::bench::writeStrikeLog(path, count, [now, count](int i) {
    const int age = count - 1 - i;
    return sampleStrike(age < 100 ? now - age * 30.0 : now - 3600 - age * 90.0);
  });
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir work;
  gFolder = work.path();

  benchmark::Initialize(&argc, argv);
  storm::bench::RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double append = reporter.nanoseconds["BM_AppendOnMainThread/iterations:2000/real_time"];
  const double inPlace = reporter.nanoseconds["BM_WriteInPlace/iterations:300/real_time"];
  std::printf(
      "\nappend on the main thread, journal line included: %.2f us a strike (limit 500 us); a write waited for in "
      "place: %.1f us (%.0fx as long)\n",
      append / 1000, inPlace / 1000, inPlace / append);

  // A sandbox each: no log, an hour's strikes, a long log.
  std::map<QString, storm::test::Sandbox> homes;
  auto environment = [&](const QString& name) {
    QProcessEnvironment env = homes[name].environment();
    env.insert("STORM_DISTANCE_FIRST_FRAME_EXIT", "1");
    env.insert("STORM_DISTANCE_NO_RATING_PROMPT", "1");
    return env;
  };
  if (!writeLog(homes["full"].strikeLog(), 100000) || !writeLog(homes["hour"].strikeLog(), 100)) {
    std::fprintf(stderr, "could not write the strike logs\n");
    return 1;
  }
  // Interleaved rounds, so that a change in the machine's load touches all alike.
  std::vector<double> empty, hour, full;
  for (int round = 0; round < 5; ++round) {
    empty.push_back(
        storm::bench::medianStartMilliseconds(STORM_APP_BINARY, {}, "first-frame", environment("empty"), 5));
    hour.push_back(storm::bench::medianStartMilliseconds(STORM_APP_BINARY, {}, "first-frame", environment("hour"), 5));
    full.push_back(storm::bench::medianStartMilliseconds(STORM_APP_BINARY, {}, "first-frame", environment("full"), 5));
  }
  const auto median = [](std::vector<double>& v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  const double e = median(empty), h = median(hour), f = median(full);
  std::printf(
      "start to first frame: with a 100,000-strike log %.1f ms, with no log %.1f ms, ratio %.3fx (target <= 1.05x);\n"
      "  with only the last hour's 100 strikes (the same map) %.1f ms: the log's size costs %.3fx\n",
      f, e, f / e, h, f / h);
  return 0;
}
