// The history screen over a 100,000-strike log: from the press of History on the main screen to
// the first rows of the list painted, against the press of Info to the information screen painted;
// and from a jump to the list's end to its last rows painted. Then the built app over two logs of a
// million strikes, ten years of storms and one hour of a single storm: from `tap history` to the
// list, the storms and the chosen storm's chart all there, the slowest `state` meanwhile, and the
// process's peak memory (VmHWM) after start-up and after the history screen.

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
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

constexpr int kMillion = 1000000;

// The peak resident memory of process `pid` so far, in MB; -1 when unknown.
double peakMegabytes(qint64 pid) {
  QFile status(QString("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
  return -1;
}

// The built app in automation mode over the sandbox `home`: one command, its answer.
class App {
 public:
  explicit App(const storm::test::Sandbox& home) {
    QProcessEnvironment env = home.environment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(STORM_APP_BINARY, {"--automation"});
    process_.waitForStarted(10000);
  }
  ~App() {
    process_.write("quit\n");
    if (!process_.waitForFinished(30000)) process_.kill();
  }
  qint64 pid() const { return process_.processId(); }
  QJsonObject send(const char* command) {
    process_.write(QByteArray(command) + "\n");
    while (!process_.canReadLine())
      if (!process_.waitForReadyRead(60000)) return {};
    return QJsonDocument::fromJson(process_.readLine()).object();
  }

 private:
  QProcess process_;
};

// The app over a log of a million strikes, `strike(i)` the i-th: its figures on one line.
void millionFigures(const char* name, const std::function<storm::Strike(int)>& strike) {
  const storm::test::Sandbox home;
  if (!storm::bench::writeStrikeLog(home.strikeLog(), kMillion, strike)) {
    std::printf("  %s: could not write the log\n", name);
    return;
  }
  App app(home);
  if (app.send("settle").isEmpty()) {
    std::printf("  %s: the app did not answer\n", name);
    return;
  }
  const double started = peakMegabytes(app.pid());
  QElapsedTimer timer, asked;
  timer.start();
  app.send("tap history");
  double slowest = 0;
  bool open = false;
  while (!open && timer.elapsed() < 60000) {
    asked.start();
    const QJsonObject history = app.send("state")["history"].toObject();
    slowest = std::max(slowest, milliseconds(asked));
    open = history["strikes"].toInt() == kMillion && history["storms"].toInt() > 0 &&
           history["chart"].toObject()["points"].toInt() > 0;
  }
  const double openMs = milliseconds(timer);
  const QJsonObject history = app.send("state")["history"].toObject();
  std::printf(
      "  %s: %s in %.0f ms (target < 1000 ms), %d storms, %d points charted; slowest state %.0f ms; "
      "peak memory %.0f MB after start-up, %.0f MB with the history screen\n",
      name, open ? "history open" : "history NOT open", openMs, history["storms"].toInt(),
      history["chart"].toObject()["points"].toInt(), slowest, started, peakMegabytes(app.pid()));
}

// Ten years of storms: 10,000 of them, a hundred strikes half a minute apart each, the last
// ending now.
storm::Strike tenYears(int i) {
  const double now = static_cast<double>(QDateTime::currentSecsSinceEpoch());
  const double every = 10 * 365.25 * 86400 / 10000;
  storm::Strike s;
  s.time = now - 3000 - (9999 - i / 100) * every + (i % 100) * 30.0;
  s.delay = 1 + (i % 97) * 0.125;
  s.km = s.delay * 0.34029;
  s.speed = 0.34029;
  if (i % 5) s.position = storm::StrikePosition{48.8566, 2.3522, 25.0, "system"};
  return s;
}

// A million strikes in the last hour: one storm.
storm::Strike oneHour(int i) {
  storm::Strike s = tenYears(i);
  s.time = static_cast<double>(QDateTime::currentSecsSinceEpoch()) - 3600 + i * 0.0036;
  return s;
}

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
  std::printf("the built app over a million strikes (memory targets: 250 MB, 200 MB for the hour):\n");
  std::fflush(stdout);
  millionFigures("ten years of storms", tenYears);
  millionFigures("one hour", oneHour);
  return 0;
}
