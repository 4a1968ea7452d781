// The rating prompt's cost to the application:
//  1. how long `appLaunched:` takes to return, against an empty call measured the same way, with
//     a small and with a 1 MB preferences file (the bookkeeping runs on the low-priority queue,
//     so the file's size should not show);
//  2. the time from process start to the first frame, with the prompt and without it (the
//     application's first automation answer comes only after the window is shown and painted).
// Each prints its medians and their ratio. Every network request goes to 127.0.0.1.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/qt/AppInfo.h"
#include "app/qt/QtLocale.h"
#include "rating/RatingPrompt.h"
#include "rating/qt/KernelReachability.h"
#include "rating/qt/QtURLConnection.h"
#include "system/qt/QtClock.h"
#include "system/qt/QtDispatch.h"
#include "system/qt/QtPreferences.h"
#include "tests/support/Sandbox.h"

namespace {

using Clock = std::chrono::steady_clock;

double median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples.empty() ? 0 : samples[samples.size() / 2];
}

// The baseline: a call that does nothing, made through a pointer so it is not inlined away.
[[gnu::noinline]] void emptyEntryPoint(bool canPrompt) { benchmark::DoNotOptimize(canPrompt); }
void (*volatile emptyCall)(bool) = emptyEntryPoint;

// A preference store that passes every call on to the store of the moment.
class SwitchedPreferences : public storm::Preferences {
 public:
  std::shared_ptr<storm::Preferences> inner;
  void declareKeys(const std::vector<storm::PreferenceKey>& keys) override { inner->declareKeys(keys); }
  std::vector<storm::PreferenceKey> declaredKeys() const override { return inner->declaredKeys(); }
  bool containsKey(const std::string& key) const override { return inner->containsKey(key); }
  std::optional<std::string> stringForKey(const std::string& key) const override { return inner->stringForKey(key); }
  void setObject(const std::optional<std::string>& value, const std::string& key) override {
    inner->setObject(value, key);
  }
  double doubleForKey(const std::string& key) const override { return inner->doubleForKey(key); }
  void setDouble(double value, const std::string& key) override { inner->setDouble(value, key); }
  long integerForKey(const std::string& key) const override { return inner->integerForKey(key); }
  void setInteger(long value, const std::string& key) override { inner->setInteger(value, key); }
  bool boolForKey(const std::string& key) const override { return inner->boolForKey(key); }
  void setBool(bool value, const std::string& key) override { inner->setBool(value, key); }
  bool synchronize() override { return inner->synchronize(); }
  bool update(const std::function<void(storm::Preferences&)>& change) override { return inner->update(change); }
  void refresh() override { inner->refresh(); }
};

// The services the shared prompt runs on. The shared instance keeps the services it was made
// with, so there is one set for the whole run; only its preference store is switched.
struct RatingServices {
  RatingServices() {
    auto services = std::make_shared<storm::RatingPrompt::Services>();
    services->clock = clock;
    services->info = [info = std::make_shared<storm::qt::AppInfo>()](const std::string& key) {
      return info->infoString(key);
    };
    services->locale = std::make_shared<storm::qt::QtLocale>();
    services->reachability = std::make_shared<storm::qt::KernelReachability>();
    services->urlConnections = std::make_shared<storm::qt::QtURLConnectionFactory>();
    dispatch = std::make_shared<storm::qt::QtDispatcher>();
    services->dispatch = dispatch;
    services->preferences = preferences;
    services->probeURL = "http://127.0.0.1:9/";
    storm::RatingPrompt::setSharedServices(services);
  }
  ~RatingServices() {
    storm::RatingPrompt::setSharedServices(nullptr);
    dispatch->waitForIdle();
  }
  // A fresh preference store over a file of `paddingBytes` (none: no file yet).
  void usePreferences(size_t paddingBytes) {
    dispatch->waitForIdle();
    const QString path = dir.path() + QString("/storm-distance-%1.ini").arg(paddingBytes);
    if (paddingBytes > 0) {
      QFile file(path);
      file.open(QIODevice::WriteOnly);
      file.write("[General]\npadding=" + QByteArray(static_cast<qsizetype>(paddingBytes), 'x') + "\n");
    }
    preferences->inner = std::make_shared<storm::qt::QtPreferences>(path, storm::RatingPrompt::preferenceKeys(), clock);
  }
  QTemporaryDir dir;
  std::shared_ptr<storm::Clock> clock = std::make_shared<storm::qt::SystemClock>();
  std::shared_ptr<SwitchedPreferences> preferences = std::make_shared<SwitchedPreferences>();
  std::shared_ptr<storm::qt::QtDispatcher> dispatch;
};

RatingServices* services = nullptr;

struct Medians {
  double empty = 0, small = 0, large = 0;
} medians;

// Times each call alone; the queue is drained between calls, outside the timing.
template <class Call>
double timeCalls(benchmark::State& state, Call call, storm::qt::QtDispatcher* drain) {
  std::vector<double> samples;
  for (auto _ : state) {
    const auto start = Clock::now();
    call();
    const auto end = Clock::now();
    const double seconds = std::chrono::duration<double>(end - start).count();
    state.SetIterationTime(seconds);
    samples.push_back(seconds * 1e6);
    if (drain) drain->waitForIdle();
  }
  const double m = median(samples);
  state.counters["median_us"] = m;
  return m;
}

void BM_EmptyCall(benchmark::State& state) {
  medians.empty = timeCalls(
      state, [] { emptyCall(true); }, nullptr);
}

void appLaunchedWith(benchmark::State& state, size_t paddingBytes, double& result) {
  services->usePreferences(paddingBytes);
  result = timeCalls(
      state, [] { storm::RatingPrompt::appLaunched(true); }, services->dispatch.get());
}

void BM_AppLaunched(benchmark::State& state) { appLaunchedWith(state, 0, medians.small); }
// 1 MB, inside the 1 MiB the store reads at most.
void BM_AppLaunched1MBPreferences(benchmark::State& state) { appLaunchedWith(state, 1000000, medians.large); }

BENCHMARK(BM_EmptyCall)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AppLaunched)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AppLaunched1MBPreferences)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

// Milliseconds from starting the app to its first answer, in a fresh configuration folder.
double startToFirstFrame(bool withPrompt) {
  const storm::test::Sandbox home;
  QProcessEnvironment env = home.environment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("STORM_DISTANCE_PROBE_URL", "http://127.0.0.1:9/");
  if (!withPrompt) env.insert("STORM_DISTANCE_NO_RATING_PROMPT", "1");
  QProcess app;
  app.setProcessEnvironment(env);
  QElapsedTimer timer;
  timer.start();
  app.start(STORM_APP_BINARY, {"--automation"});
  app.write("state\n");
  while (!app.canReadLine() && app.waitForReadyRead(10000)) {
  }
  const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  app.write("quit\n");
  if (!app.waitForFinished(10000)) app.kill();
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qtApp(argc, argv);
  benchmark::Initialize(&argc, argv);
  {
    RatingServices rating;
    services = &rating;
    benchmark::RunSpecifiedBenchmarks();
    services = nullptr;
  }

  std::printf("\nappLaunched: return time, median of single calls (target under 20 us)\n");
  std::printf("  empty call                      %8.3f us\n", medians.empty);
  std::printf("  appLaunched, small preferences  %8.3f us  (%.1fx the empty call)\n", medians.small,
              medians.small / medians.empty);
  std::printf("  appLaunched, 1 MB preferences   %8.3f us  (%.1fx the empty call)\n", medians.large,
              medians.large / medians.empty);

  constexpr int kRuns = 21;
  std::vector<double> with, without;
  startToFirstFrame(true);  // warms the file cache for both
  for (int run = 0; run < kRuns; ++run) {
    without.push_back(startToFirstFrame(false));
    with.push_back(startToFirstFrame(true));
  }
  const double mWith = median(with), mWithout = median(without);
  std::printf("\nprocess start to first frame, median of %d runs each (target at most 1.05x)\n", kRuns);
  std::printf("  without the rating prompt       %8.2f ms\n", mWithout);
  std::printf("  with the rating prompt          %8.2f ms  (%.3fx)\n", mWith, mWith / mWithout);
  benchmark::Shutdown();
  return 0;
}
