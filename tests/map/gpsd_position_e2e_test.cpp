#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>

#include <cmath>
#include <cstdio>

#include "support/AutomationClient.h"
#include "support/WaitForState.h"

// The app against Debian's gpsd, fed a real receiver's log by gpsfake on a free loopback port (gpsd
// with -N -n and a control socket of its own; both end with gpsfake, which the test ends by its
// process id): gpsd's fix and its own accuracy reach the app; gpsd going makes the position not
// current with a note, and its return brings the fixes back. The times are printed.

namespace storm::e2e {
namespace {

const QString kLog = STORM_TEST_SUPPORT_DIR "/../data/nmea/ublox-f9p-hpnmea.log";

// gpsfake cycling the log, a sentence every 0.1 s, until it is ended.
class GpsFake {
 public:
  explicit GpsFake(quint16 port) : port_(port) {}
  ~GpsFake() { stop(); }
  bool start() {
    process_.start("gpsfake", {"-q", "-c", "0.1", "-P", QString::number(port_), "-W", "0", "-n", kLog});
    return process_.waitForStarted(5000);
  }
  void stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();  // by its own process id; it ends its gpsd
    if (!process_.waitForFinished(5000)) process_.kill();
    process_.waitForFinished(1000);
  }

 private:
  quint16 port_;
  QProcess process_;
};

quint16 freePort() {
  QTcpServer server;
  return server.listen(QHostAddress::LocalHost, 0) ? server.serverPort() : 0;
}

QJsonObject position(const QJsonObject& state) { return state["storm"].toObject()["position"].toObject(); }
QString notice(const QJsonObject& state) { return state["mapView"].toObject()["notice"].toString(); }

// The horizontal errors gpsd reports in its TPVs, as a client of its own reads them once gpsd
// answers (within 15 s).
std::vector<double> gpsdErrors(quint16 port) {
  QByteArray lines;
  QElapsedTimer waited;
  waited.start();
  while (!lines.contains("TPV") && waited.elapsed() < 15000) {
    QProcess pipe;
    pipe.start("gpspipe", {"-w", "-n", "40", "127.0.0.1:" + QString::number(port)});
    if (!pipe.waitForFinished(5000)) {
      pipe.kill();
      pipe.waitForFinished(1000);
    }
    lines = pipe.readAllStandardOutput();
    if (!lines.contains("TPV")) pipe.waitForFinished(200);  // gpsd is not up yet: a pause before asking again
  }
  std::vector<double> out;
  for (const QByteArray& line : lines.split('\n')) {
    const QJsonObject tpv = QJsonDocument::fromJson(line).object();
    if (tpv["class"] != "TPV" || tpv["mode"].toInt() < 2) continue;
    if (tpv.contains("eph"))
      out.push_back(tpv["eph"].toDouble());
    else if (tpv.contains("epx") && tpv.contains("epy"))
      out.push_back(std::hypot(tpv["epx"].toDouble(), tpv["epy"].toDouble()));
  }
  return out;
}

TEST(GpsdPosition, AFixComesWithGpsdsAccuracyGoesWhenGpsdGoesAndComesBackWithIt) {
  if (QStandardPaths::findExecutable("gpsfake").isEmpty() || QStandardPaths::findExecutable("gpsd", {"/usr/sbin"}).isEmpty())
    GTEST_SKIP() << "gpsd and gpsfake are not installed (scripts/deps.sh)";
  const quint16 port = freePort();
  ASSERT_NE(port, 0);
  GpsFake fake(port);
  ASSERT_TRUE(fake.start());
  QElapsedTimer clock;
  clock.start();
  const std::vector<double> errors = gpsdErrors(port);
  std::printf("gpsd: answered its own client in %.2f s\n", clock.elapsed() / 1000.0);
  ASSERT_FALSE(errors.empty()) << "gpsd gives fixes with an error";

  clock.restart();
  AutomationClient app({"--gpsd", "127.0.0.1:" + QString::number(port)});
  ASSERT_TRUE(app.started());
  QJsonObject state = waitFor(app, [](const QJsonObject& s) { return position(s)["source"] == "gpsd"; });
  const double firstFix = clock.elapsed() / 1000.0;
  const double accuracy = position(state)["accuracy"].toDouble();
  EXPECT_TRUE(std::any_of(errors.begin(), errors.end(), [&](double e) { return std::abs(e - accuracy) < 1e-6; }))
      << accuracy << " is none of gpsd's errors";
  EXPECT_NEAR(position(state)["lat"].toDouble(), 44.0688, 1e-3);
  EXPECT_TRUE(notice(state).isEmpty()) << notice(state).toStdString();

  clock.restart();
  fake.stop();
  state = waitFor(app, [](const QJsonObject& s) { return notice(s).contains("gpsd does not answer"); });
  const double gone = clock.elapsed() / 1000.0;
  EXPECT_LT(gone, 10);
  EXPECT_TRUE(notice(state).contains("Last known position")) << "no longer current";
  EXPECT_EQ(position(state)["source"], "gpsd");

  ASSERT_TRUE(fake.start());
  clock.restart();
  state = waitFor(app, [](const QJsonObject& s) { return notice(s).isEmpty() && position(s)["age"].toDouble(99) < 2; });
  const double back = clock.elapsed() / 1000.0;
  EXPECT_EQ(position(state)["source"], "gpsd");
  std::printf("gpsd: first fix %.2f s after start, not current %.2f s after gpsd ended, back %.2f s after it restarted\n",
              firstFix, gone, back);
  EXPECT_EQ(app.quit(), 0);
}

}  // namespace
}  // namespace storm::e2e
