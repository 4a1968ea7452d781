// The window while a 50 MB NMEA log is replayed: the longest the main thread's event loop goes
// without turning (a 2 ms timer's longest gap), from the start of the replay until the log has
// ended (or for 3 s of a long log), with the time to the first fix. Three logs of 50 MB: one RMC
// sentence repeated with its checksum, the same without one (every line is read twice: once to
// find that no sentence has a checksum), and RMC sentences a second apart (a long replay, read
// ahead only as far as the replay's backlog).
// Run: build/release/bench/position_bench (the offscreen platform is used unless another is set).

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>

#include "map/qt/MapModel.h"
#include "map/qt/MapWidget.h"
#include "map/qt/PositionFeed.h"
#include "system/qt/QtClock.h"

namespace {

constexpr qint64 kBytes = 50LL * 1024 * 1024;

QByteArray sentence(const QByteArray& body, bool checksum) {
  unsigned char sum = 0;
  for (char c : body) sum ^= static_cast<unsigned char>(c);
  return "$" + body + (checksum ? "*" + QByteArray::number(sum, 16).toUpper().rightJustified(2, '0') : "") + "\r\n";
}

QString write(const QString& path, const std::function<QByteArray(int)>& line) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return {};
  for (int i = 0; file.size() < kBytes; ++i) file.write(line(i));
  return path;
}

QByteArray timed(int second) {
  const QByteArray hms = QByteArray::number(second / 3600 % 24).rightJustified(2, '0') +
                         QByteArray::number(second / 60 % 60).rightJustified(2, '0') +
                         QByteArray::number(second % 60).rightJustified(2, '0');
  return sentence("GPRMC," + hms + ".00,A,4851.396,N,00221.132,E,0.0,0.0,070626,,,A", true);
}

void measure(const char* name, const QString& log, double longestSeconds) {
  storm::qt::MapWidget widget;
  widget.resize(360, 640);
  widget.show();
  auto clock = std::make_shared<storm::qt::SystemClock>();
  auto timers = std::make_shared<storm::qt::QtTimerScheduler>();
  storm::qt::MapModel& map = widget.model();
  map.setClock(clock, timers);
  auto* feed = new storm::qt::PositionFeed(&map, {nullptr, clock, timers});

  QElapsedTimer since;
  since.start();
  qint64 last = 0, longest = 0, firstFix = -1;
  QTimer tick;
  QEventLoop loop;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const qint64 now = since.nsecsElapsed();
    longest = std::max(longest, now - last);
    last = now;
    if (firstFix < 0 && map.userLocation()) firstFix = now;
    if (map.position().problem() == storm::PositionProblem::Ended || now > longestSeconds * 1e9) loop.quit();
  });
  tick.start(2);
  feed->useNmeaLog(log);
  longest = 0;
  last = since.nsecsElapsed();
  loop.exec();
  std::printf("%-34s longest stall of the main thread %6.1f ms, first fix after %6.1f ms, over %.1f s\n", name,
              longest / 1e6, firstFix / 1e6, since.nsecsElapsed() / 1e9);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  const QByteArray rmc = "GPRMC,120010.00,A,4851.396,N,00221.132,E,0.0,0.0,070626,,,A";
  measure("one RMC, 50 MB", write(dir.filePath("same.nmea"), [&](int) { return sentence(rmc, true); }), 30);
  measure("one RMC without checksum, 50 MB", write(dir.filePath("bare.nmea"), [&](int) { return sentence(rmc, false); }),
          30);
  measure("RMC a second apart, 50 MB", write(dir.filePath("long.nmea"), timed), 3);
  return 0;
}
