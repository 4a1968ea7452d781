// The history screen over a 100,000-strike log: from the press of History on the main screen to
// the first rows of the list painted, against the press of Info to the information screen painted;
// and from a jump to the list's end to its last rows painted.

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "StrikeLogFill.h"
#include "app/qt/Features.h"
#include "app/qt/Services.h"
#include "screens/qt/MainScreen.h"
#include "screens/qt/Screens.h"
#include "storm/qt/SqliteStrikeStore.h"
#include "storm/qt/StrikeListWidget.h"
#include "system/ManualClock.h"
#include "system/qt/WorkerPool.h"
#include "tests/support/Sandbox.h"

namespace {

constexpr int kStrikes = 100000;
constexpr int kRuns = 15;

// A log of `count` strikes, one every 90 seconds up to now, most with a position.
bool writeLog(const QString& path, int count) {
  const double now = static_cast<double>(QDateTime::currentSecsSinceEpoch());
  return storm::bench::writeStrikeLog(path, count, [now, count](int i) {
    storm::Strike s;
    s.time = now - (count - i) * 90.0;
    s.delay = 1 + (i % 97) * 0.125;
    s.km = s.delay * 0.34029;
    s.speed = 0.34029;
    if (i % 5) s.position = storm::StrikePosition{48.8566, 2.3522, 25.0, "system"};
    return s;
  });
}

// Runs the event loop until `ready`; false after 10 s.
bool waitUntil(const std::function<bool()>& ready) {
  QElapsedTimer limit;
  limit.start();
  while (!ready()) {
    if (limit.elapsed() > 10000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
  }
  return true;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double milliseconds(const QElapsedTimer& timer) { return static_cast<double>(timer.nsecsElapsed()) / 1e6; }

}  // namespace

int main(int argc, char** argv) {
  const storm::test::Sandbox work;
  work.enter();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (!writeLog(storm::qt::strikeLogPath(), kStrikes)) {
    std::fprintf(stderr, "could not write the %d-strike log\n", kStrikes);
    return 1;
  }

  // The application as it runs, without the map's tiles and position, which the list never needs.
  QWidget window;
  window.resize(360, 640);
  const std::unique_ptr<storm::qt::Services> services = storm::qt::buildServices(storm::qt::Options{}, &window);
  storm::qt::Features features(*services, storm::qt::Options{}, nullptr);
  auto* screens = new storm::qt::Screens(&window, new storm::qt::MainScreen(features.makeMainController(), &window),
                                         [&features](QWidget* in) { return features.makeInfoScreen(in); });
  features.mainScreenShown(screens, false);
  window.show();
  services->workers->release();      // as the application does once its first frame is up
  services->strikes->waitForIdle();  // the last hour read back
  auto* historyButton = screens->main()->findChild<QAbstractButton*>("history");
  auto* infoButton = screens->main()->findChild<QAbstractButton*>("info");
  if (!historyButton || !infoButton) return 1;
  auto closeTop = [&] {
    waitUntil([&] { return !screens->transitioning(); });
    screens->dismiss(false);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  };

  std::vector<double> opening, jumping;
  double first = 0;
  for (int run = 0; run < kRuns; ++run) {
    QElapsedTimer timer;
    timer.start();
    historyButton->click();
    storm::qt::StrikeListWidget* list = nullptr;
    const bool shown = waitUntil([&] {
      list = screens->presented() ? screens->presented()->findChild<storm::qt::StrikeListWidget*>() : nullptr;
      return list && list->model() && list->model()->strikeAt(0);
    });
    if (!shown) {
      std::fprintf(stderr, "the history screen showed no rows\n");
      return 1;
    }
    list->table()->viewport()->repaint();
    const double ms = milliseconds(timer);
    // The first run also pays for what is made once (fonts, the layout's classes): reported apart.
    if (run == 0)
      first = ms;
    else
      opening.push_back(ms);

    // The oldest strikes: a page read from the far end of the time index.
    waitUntil([&] { return !screens->transitioning(); });
    timer.restart();
    list->table()->scrollToBottom();
    list->table()->viewport()->repaint();  // asks for the rows in sight
    const bool jumped = waitUntil([&] { return list->model()->strikeAt(kStrikes - 1).has_value(); });
    list->table()->viewport()->repaint();
    if (jumped) jumping.push_back(milliseconds(timer));

    closeTop();
  }
  // The baseline: the information screen, which reads nothing, from its press to its first paint.
  std::vector<double> info;
  for (int run = 0; run < kRuns; ++run) {
    QElapsedTimer timer;
    timer.start();
    infoButton->click();
    if (!screens->presented()) return 1;
    screens->presented()->repaint();
    info.push_back(milliseconds(timer));
    closeTop();
  }
  std::printf("history screen over a %d-strike log, %d runs:\n", kStrikes, kRuns);
  std::printf("  press of History to the first rows painted: median %.1f ms (target <= 50 ms); first run %.1f ms\n",
              median(opening), first);
  std::printf("  press of Info to the information screen painted: median %.1f ms (baseline)\n", median(info));
  if (!jumping.empty())
    std::printf("  jump to the end of the list to its last rows painted: median %.1f ms\n", median(jumping));
  return 0;
}
