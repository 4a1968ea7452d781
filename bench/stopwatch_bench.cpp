// One tick of the stopwatch against formatting the same text with snprintf, and the app's start to
// its first painted frame against a Qt window's that shows one label: offscreen, and in a real X
// window on a private Xvfb when there is one. The app's and the window's runs take turns, so that
// whatever else the machine does weighs on both alike.

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "BenchSupport.h"
#include "measure/Stopwatch.h"
#include "screens/MainViewController.h"
#include "system/FixedDateFormatter.h"
#include "system/qt/QtClock.h"
#include "tests/support/Sandbox.h"
#include "tests/support/XvfbServer.h"

namespace {

class PlainLabel : public storm::Label {
 public:
  storm::Rect frame() const override { return {}; }
  void setFrame(const storm::Rect&) override {}
  storm::Rect bounds() const override { return {}; }
  void addSubview(const std::shared_ptr<storm::View>&) override {}
  unsigned autoresizingMask() const override { return 0; }
  void setAutoresizingMask(unsigned) override {}
  std::string text() const override { return text_; }
  void setText(const std::string& text) override { text_ = text; }

 private:
  std::string text_;
};

void BM_Tick(benchmark::State& state) {
  auto clock = std::make_shared<storm::qt::SystemClock>();
  auto stopwatch = std::make_shared<storm::Stopwatch>(clock, nullptr);
  storm::MainViewController::Services services;
  services.dateFormatters = std::make_shared<storm::FixedDateFormatterFactory>();
  auto controller = std::make_shared<storm::MainViewController>(stopwatch, services);
  auto label = std::make_shared<PlainLabel>();
  controller->setTime(label);
  stopwatch->startDate = clock->monotonic() - 12.345;
  for (auto _ : state) {
    controller->updateTimer();
    benchmark::DoNotOptimize(label->text());
  }
}
BENCHMARK(BM_Tick);

void BM_SnprintfFloor(benchmark::State& state) {
  storm::qt::SystemClock clock;
  std::string text;
  const double start = clock.monotonic() - 12.345;
  for (auto _ : state) {
    const double t = clock.monotonic() - start;
    const long long ms = static_cast<long long>(t * 1000);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld.%03lld", (ms / 1000) % 60, ms % 1000);
    text = buf;
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_SnprintfFloor);

double median(std::vector<double> times) {
  if (times.empty()) return -1;
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// The app to start: this build's, or another build's named by STORM_BENCH_APP (to hold a change
// against the same baseline).
QString appBinary() {
  const QString other = qEnvironmentVariable("STORM_BENCH_APP");
  return other.isEmpty() ? QStringLiteral(STORM_APP_BINARY) : other;
}

// The app's start against the one-label window's on `platform`, `pairs` runs of each, in the order
// window, app, app, window… so that neither always runs first; prints the medians and their ratio.
void compareStarts(const char* self, const QString& platform, QProcessEnvironment env, QProcessEnvironment appEnv,
                   int pairs = 21) {
  env.insert("QT_QPA_PLATFORM", platform);
  appEnv.insert("QT_QPA_PLATFORM", platform);
  std::vector<double> window, app, pairRatios;
  for (int i = 0; i < pairs; ++i) {
    std::optional<double> appMs, windowMs;
    for (const bool appTurn : {i % 2 == 1, i % 2 == 0}) {
      if (appTurn)
        appMs = storm::bench::startMilliseconds(appBinary(), {}, "first-frame", appEnv);
      else
        windowMs = storm::bench::startMilliseconds(self, {"--label-window"}, "first-frame", env);
    }
    if (appMs) app.push_back(*appMs);
    if (windowMs) window.push_back(*windowMs);
    if (appMs && windowMs) pairRatios.push_back(*appMs / *windowMs);
  }
  const double a = median(app), w = median(window);
  std::printf("%s, start to first frame (%zu and %zu runs, taking turns): app %.1f ms, one-label Qt window %.1f ms, "
              "ratio %.2fx, median of the pairs' ratios %.2fx (target <= 1.25x)\n",
              qPrintable(platform), app.size(), window.size(), a, w, a / w, median(pairRatios));
}

}  // namespace

int main(int argc, char** argv) {
  // As a child: the baseline, a window that shows a line of text (which pays for the font
  // configuration and font loading every text on screen needs), reporting its first frame.
  if (argc > 1 && std::strcmp(argv[1], "--label-window") == 0) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(360, 640);
    new QLabel("SAW LIGHTNING", &window);
    struct Filter : QObject {
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
          QTimer::singleShot(0, qApp, [] {
            std::printf("first-frame\n");
            std::fflush(stdout);
            QCoreApplication::exit(0);
          });
        return false;
      }
    } filter;
    window.installEventFilter(&filter);
    window.show();
    return app.exec();
  }

  benchmark::Initialize(&argc, argv);
  storm::bench::RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double tick = reporter.nanoseconds["BM_Tick"];
  const double floor = reporter.nanoseconds["BM_SnprintfFloor"];
  std::printf("\ntick: %.0f ns, snprintf floor: %.0f ns, ratio %.1fx (target <= 20x)\n", tick, floor, tick / floor);

  const storm::test::Sandbox home;
  QProcessEnvironment env = home.environment();
  QProcessEnvironment appEnv = env;
  appEnv.insert("STORM_DISTANCE_FIRST_FRAME_EXIT", "1");
  compareStarts(argv[0], "offscreen", env, appEnv);

  // The same on the X platform, where the window is mapped on a server and drawn through it.
  if (!storm::test::XvfbServer::installed()) {
    std::printf("xcb: Xvfb is not installed, not measured\n");
    return 0;
  }
  storm::test::XvfbServer x;
  if (!x.start(1024, 768)) {
    std::printf("xcb: Xvfb did not start, not measured\n");
    return 0;
  }
  env.insert("DISPLAY", x.display());
  appEnv.insert("DISPLAY", x.display());
  compareStarts(argv[0], "xcb", env, appEnv);
  return 0;
}
