// How often the running app is woken: context switches of the whole process (voluntary and
// involuntary, summed over every thread in /proc/<pid>/task/*/status), per second
//  - at rest, the map's tiles all loaded, before any strike;
//  - at rest while sheltering after a close strike, with the countdown over the map ticking;
//  - sheltering with the question for the flash's direction up, and once it is answered;
//  - while the stopwatch runs;
//  - in the second after a stop, which holds the map's 0.4 s glide to the storm circle;
// with the extra wake-ups of that second spread over the glide's animation steps. The app runs in
// automation mode against a tile server on loopback; each figure is the median of a few rounds,
// every round starting from the same wider view with its tiles in memory, so that each stop glides
// the same way (in and onto the storm circle) over tiles the map already holds.
// The second at rest before any strike is the baseline of the ratios.
// Run: build/release/bench/wakeup_bench [--binary PATH] [--rounds N] [--threads]
//   --binary: another build of the app (by default the one built with this benchmark);
//   --threads: also print the switches of the second after a stop per thread.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tests/support/MapTileServer.h"
#include "tests/support/Sandbox.h"

namespace {

constexpr double kGlideSeconds = 0.4;
constexpr double kAnimationStepSeconds = 0.016;  // the animation timer's interval

// Context switches per thread of process `pid`, by thread id, with the thread's name.
struct ThreadSwitches {
  std::string name;
  long long switches = 0;
};
std::map<int, ThreadSwitches> switchesByThread(qint64 pid) {
  std::map<int, ThreadSwitches> out;
  const QDir tasks(QString("/proc/%1/task").arg(pid));
  for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    QFile status(tasks.filePath(tid + "/status"));
    if (!status.open(QIODevice::ReadOnly)) continue;
    ThreadSwitches t;
    for (const QByteArray& line : status.readAll().split('\n')) {
      if (line.startsWith("Name:")) t.name = line.mid(5).trimmed().toStdString();
      if (line.startsWith("voluntary_ctxt_switches:") || line.startsWith("nonvoluntary_ctxt_switches:"))
        t.switches += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
    }
    out[tid.toInt()] = t;
  }
  return out;
}

long long total(const std::map<int, ThreadSwitches>& threads) {
  long long sum = 0;
  for (const auto& [tid, t] : threads) sum += t.switches;
  return sum;
}

// The value a fraction `p` of the way up the sorted samples (0: lowest, 0.5: median, 1: highest).
double percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5)];
}

class App {
 public:
  App(const QString& binary, const QStringList& arguments, const QProcessEnvironment& env) {
    process_.setProcessEnvironment(env);
    process_.start(binary, QStringList{"--automation"} + arguments);
    started_ = process_.waitForStarted(10000);
  }
  ~App() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.write("quit\n");
    if (!process_.waitForFinished(10000)) process_.kill();
  }
  bool started() const { return started_; }
  qint64 pid() const { return process_.processId(); }

  QJsonObject send(const QString& command) {
    process_.write((command + "\n").toUtf8());
    while (!process_.canReadLine())
      if (!process_.waitForReadyRead(30000)) return {};
    return QJsonDocument::fromJson(process_.readLine()).object();
  }

 private:
  QProcess process_;
  bool started_ = false;
};

bool tilesReady(App& app) {
  const QJsonObject map = app.send("state")["mapView"].toObject();
  const QJsonObject tiles = map["tiles"].toObject();
  return !map["animating"].toBool() && tiles["needed"].toInt() > 0 && tiles["ready"] == tiles["needed"];
}

bool waitForTiles(App& app) {
  for (int i = 0; i < 100 && !tilesReady(app); ++i) app.send("wait 0.1");
  return tilesReady(app);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  QString binary = STORM_APP_BINARY;
  int rounds = 5;
  bool perThread = false;
  const QStringList args = application.arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == "--binary" && i + 1 < args.size())
      binary = args[++i];
    else if (args[i] == "--rounds" && i + 1 < args.size())
      rounds = std::max(1, args[++i].toInt());
    else if (args[i] == "--threads")
      perThread = true;
  }

  storm::test::MapTileServer server({{"std", {QColor(120, 180, 120)}}});
  if (!server.start()) {
    std::fprintf(stderr, "cannot start the loopback tile server\n");
    return 1;
  }
  const storm::test::Sandbox home;
  const QString sources = home.path() + "/sources.json";
  {
    QFile file(sources);
    if (!file.open(QIODevice::WriteOnly)) return 1;
    file.write(QString(R"({"standard": {"url": "%1", "maxZoom": 19, "attribution": "Test streets"}})")
                   .arg(server.urlTemplate("std"))
                   .toUtf8());
  }
  QProcessEnvironment env = home.environment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("STORM_DISTANCE_PROBE_URL", "http://127.0.0.1:9/");  // never a public host

  App app(binary, {"--map-sources", sources, "--location", "48.1,11.5"}, env);
  if (!app.started()) {
    std::fprintf(stderr, "cannot start %s\n", qPrintable(binary));
    return 1;
  }
  // Where every round starts, and (after one stop) where it ends, with the tiles of both in memory.
  const QString start = "camera 48.1 11.5 11";
  app.send("settle");
  app.send(start);
  bool loaded = waitForTiles(app);
  // Switches over one `wait 1` that follows `before` (sent first, not counted).
  auto second = [&](const QString& before) {
    if (!before.isEmpty()) app.send(before);
    const long long a = total(switchesByThread(app.pid()));
    app.send("wait 1");
    return static_cast<double>(total(switchesByThread(app.pid())) - a);
  };
  // Before any strike: nothing over the map changes with time.
  std::vector<double> quiet;
  for (int round = 0; loaded && round < rounds; ++round) {
    app.send("wait 0.5");
    quiet.push_back(second({}));
  }
  // Each stop after 1 s is a close strike: from here on the shelter countdown ticks.
  app.send("tap button");
  app.send("wait 1");
  app.send("tap button");
  loaded = loaded && waitForTiles(app);
  if (!loaded) {
    std::fprintf(stderr, "the map's tiles did not load\n");
    return 1;
  }

  std::vector<double> rest, timing, stop;
  std::map<std::string, std::vector<double>> stopByThread;
  // The glide starts with the stop: that tap is counted with the second after it.
  auto stopSecond = [&](std::map<int, ThreadSwitches>* threads) {
    const auto a = switchesByThread(app.pid());
    app.send("tap button");
    app.send("wait 1");
    const auto b = switchesByThread(app.pid());
    for (const auto& [tid, t] : b) {
      auto it = a.find(tid);
      (*threads)[tid] = {tid == app.pid() ? "main (" + t.name + ")" : t.name,
                         t.switches - (it == a.end() ? 0 : it->second.switches)};
    }
    return static_cast<double>(total(b) - total(a));
  };
  for (int round = 0; round < rounds; ++round) {
    app.send(start);
    app.send("wait 0.5");
    rest.push_back(second({}));
    timing.push_back(second("tap button"));
    std::map<int, ThreadSwitches> threads;
    stop.push_back(stopSecond(&threads));
    std::map<std::string, double> byName;
    for (const auto& [tid, t] : threads) byName[t.name] += static_cast<double>(t.switches);
    for (const auto& [name, n] : byName) stopByThread[name].push_back(n);
    app.send("wait 0.5");
  }

  // After a stop, sheltering: with the question for the flash's direction up, and once answered.
  std::vector<double> asking, answered;
  app.send("tap button");
  app.send("wait 1");
  app.send("tap button");
  app.send("wait 1");  // the glide is over
  for (int round = 0; round < rounds; ++round)
    if (app.send("state")["stormMap"].toObject()["asking"].toBool()) asking.push_back(second({}));
  app.send("bearing 90");
  app.send("wait 0.5");
  for (int round = 0; round < rounds; ++round) answered.push_back(second({}));

  const double r = percentile(quiet, 0.5), t = percentile(timing, 0.5), s = percentile(stop, 0.5);
  const double sheltering = percentile(rest, 0.5);
  const double steps = kGlideSeconds / kAnimationStepSeconds;
  std::printf("binary: %s\n", qPrintable(binary));
  std::printf("wakeups: context switches per second, median of %d rounds [lowest, highest]\n", rounds);
  std::printf("wakeups: at rest %.0f/s [%.0f, %.0f] (baseline)\n", r, percentile(quiet, 0), percentile(quiet, 1));
  std::printf(
      "wakeups: at rest while sheltering (a countdown ticking each second) %.0f/s [%.0f, %.0f]: ratio %.1f "
      "to rest\n",
      sheltering, percentile(rest, 0), percentile(rest, 1), r > 0 ? sheltering / r : 0.0);
  std::printf(
      "wakeups: sheltering with the question for the flash's direction up %.0f/s [%.0f, %.0f] (%zu s), "
      "once it is answered %.0f/s [%.0f, %.0f]\n",
      percentile(asking, 0.5), percentile(asking, 0), percentile(asking, 1), asking.size(), percentile(answered, 0.5),
      percentile(answered, 0), percentile(answered, 1));
  std::printf("wakeups: while timing %.0f/s [%.0f, %.0f]: ratio %.1f to rest\n", t, percentile(timing, 0),
              percentile(timing, 1), r > 0 ? t / r : 0.0);
  std::printf("wakeups: the second after a stop %.0f/s [%.0f, %.0f]: ratio %.1f to rest\n", s, percentile(stop, 0),
              percentile(stop, 1), r > 0 ? s / r : 0.0);
  std::printf(
      "wakeups: the glide's extra over rest while sheltering spread over its ~%.0f animation steps: %.1f per step\n",
      steps, (s - sheltering) / steps);
  if (perThread) {
    std::printf("\nthe second after a stop, per thread (median):\n");
    for (const auto& [name, v] : stopByThread) std::printf("  %-24s %6.0f\n", name.c_str(), percentile(v, 0.5));
  }
  return 0;
}
