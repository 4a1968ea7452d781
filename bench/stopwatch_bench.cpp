// One tick of the stopwatch against formatting the same text with snprintf, and the app's start to
// its first painted frame against an empty Qt window's: offscreen, and in a real X window on a
// private Xvfb when there is one.

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstring>

#include "BenchSupport.h"
#include "measure/Stopwatch.h"
#include "system/FixedDateFormatter.h"
#include "system/qt/QtClock.h"
#include "screens/MainViewController.h"
#include "tests/support/XvfbServer.h"
#include "tests/support/Sandbox.h"

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
  controller->setOutlet("time", label);
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

}  // namespace

int main(int argc, char** argv) {
  // As a child: the baseline empty window, reporting its first frame.
  // As a child: the baseline empty window (or, with --label-window, one that shows a line of
  // text, which pays for the font configuration and font loading every text on screen needs),
  // reporting its first frame.
  if (argc > 1 && (std::strcmp(argv[1], "--empty-window") == 0 || std::strcmp(argv[1], "--label-window") == 0)) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(360, 640);
    if (std::strcmp(argv[1], "--label-window") == 0) new QLabel("SAW LIGHTNING", &window);
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
  const double empty = storm::bench::medianStartMilliseconds(argv[0], {"--empty-window"}, "first-frame", env);
  const double label = storm::bench::medianStartMilliseconds(argv[0], {"--label-window"}, "first-frame", env);
  const double app = storm::bench::medianStartMilliseconds(STORM_APP_BINARY, {}, "first-frame", appEnv);
  std::printf("start to first frame: app %.1f ms, empty Qt window %.1f ms, ratio %.2fx (target <= 1.5x)\n", app, empty,
              app / empty);
  std::printf("                      against a Qt window showing one label %.1f ms: ratio %.2fx\n", label, app / label);

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
  const double xEmpty =
      storm::bench::medianStartMilliseconds(argv[0], {"--empty-window"}, "first-frame", env, 15, "xcb");
  const double xLabel =
      storm::bench::medianStartMilliseconds(argv[0], {"--label-window"}, "first-frame", env, 15, "xcb");
  const double xApp = storm::bench::medianStartMilliseconds(STORM_APP_BINARY, {}, "first-frame", appEnv, 15, "xcb");
  std::printf("xcb on Xvfb, start to first frame: app %.1f ms, empty Qt window %.1f ms, ratio %.2fx\n", xApp, xEmpty,
              xApp / xEmpty);
  std::printf("                      against a Qt window showing one label %.1f ms: ratio %.2fx\n", xLabel,
              xApp / xLabel);
  return 0;
}
