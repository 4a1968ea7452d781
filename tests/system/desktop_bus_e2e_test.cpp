#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

#include "support/AccessibilityBus.h"
#include "support/AutomationClient.h"
#include "support/SessionBus.h"
#include "support/XvfbServer.h"

// Buses that misbehave: one that lets clients connect and then says nothing (a stopped daemon), a
// socket that never speaks, one that never answers the registration, and one that refuses it. The
// all-clear's desktop notification on such a session bus may hold up neither the strike log nor
// quitting, or bring the app down; nor may such an accessibility bus keep the window from coming
// up on a real X server with accessibility on.

namespace storm::e2e {
namespace {

// A close strike and the all-clear half an hour later, which sends a notification.
void strikeAndAllClear(AutomationClient& app) {
  app.ok("tap button");
  app.ok("advance 5");
  app.ok("tap button");
  app.ok("advance 1800");
  ASSERT_FALSE(app.state()["storm"].toObject()["notified"].toArray().isEmpty());
}

// Ends `process` by its own id, whether it is stopped or not.
void end(QProcess& process) {
  if (process.state() == QProcess::NotRunning) return;
  process.kill();
  process.waitForFinished(5000);
}

TEST(DesktopBus, AStoppedSessionBusHoldsUpNeitherTheStrikeLogNorQuitting) {
  if (!test::SessionBus::installed()) GTEST_SKIP() << "no dbus-daemon";
  test::SessionBus bus;
  ASSERT_TRUE(bus.start());
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
  ASSERT_EQ(::kill(static_cast<pid_t>(bus.pid()), SIGSTOP), 0);
  {
    AutomationClient app({"--manual-clock", "1700000000"}, environment);
    ASSERT_TRUE(app.started());
    // More all-clears than the process has workers.
    for (int i = 0; i < 3; ++i) strikeAndAllClear(app);
    app.ok("tap button");
    app.ok("advance 20");
    app.ok("tap button");
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_EQ(app.send("strikes", 5000)["strikes"].toArray().size(), 4);
    EXPECT_LT(elapsed.elapsed(), 5000);
    elapsed.restart();
    EXPECT_EQ(app.quit(), 0);
    EXPECT_LT(elapsed.elapsed(), 5000) << "quitting waited for the bus";
  }
}

TEST(DesktopBus, ASessionBusThatRefusesRegistrationDoesNotBringTheAppDown) {
  QTemporaryDir dir;
  const QString socket = dir.filePath("bus");
  QProcess bus;
  bus.start("python3", {QString(STORM_TEST_SUPPORT_DIR) + "/refusing_bus.py", socket});
  ASSERT_TRUE(bus.waitForReadyRead(10000));
  ASSERT_EQ(bus.readLine().trimmed(), "listening");
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + socket);
  {
    AutomationClient app({"--manual-clock", "1700000000"}, environment);
    ASSERT_TRUE(app.started());
    strikeAndAllClear(app);
    // The bus refuses the app's registration, and the app hangs up.
    QByteArray said;
    while (!said.contains("closed") && bus.waitForReadyRead(10000)) said += bus.readAll();
    EXPECT_TRUE(said.contains("refused")) << said.toStdString();
    EXPECT_TRUE(said.contains("closed")) << said.toStdString();
    // And goes on.
    strikeAndAllClear(app);
    EXPECT_EQ(app.send("strikes")["strikes"].toArray().size(), 2);
    EXPECT_EQ(app.quit(), 0) << app.stderrText().toStdString();
  }
  end(bus);
}

// A fake bus from refusing_bus.py in `mode`, listening on `socket`; false if it did not start.
bool startFakeBus(QProcess& bus, const QString& socket, const QString& mode) {
  bus.start("python3", {QString(STORM_TEST_SUPPORT_DIR) + "/refusing_bus.py", socket, mode});
  return bus.waitForReadyRead(10000) && bus.readLine().trimmed() == "listening";
}

// The app on `x` with `environment`'s buses: its window comes up in time, it
// says once that accessibility is off, and it quits at once with 0. The times go to the test's
// output.
void windowComesUpAndQuits(const test::XvfbServer& x, QProcessEnvironment environment, const char* kind) {
  SCOPED_TRACE(kind);
  QElapsedTimer elapsed;
  elapsed.start();
  AutomationClient app({"--manual-clock", "1700000000"}, x.environment(environment), "xcb");
  ASSERT_TRUE(app.started());
  const QJsonObject state = app.send("state", 10000);
  const qint64 toWindow = elapsed.elapsed();
  ASSERT_TRUE(state["window"].isObject()) << "no window within 10 s";
  elapsed.restart();
  const int status = app.quit();
  const qint64 toQuit = elapsed.elapsed();
  const QString said = app.stderrText();
  EXPECT_EQ(status, 0) << said.toStdString();
  EXPECT_LT(toQuit, 5000) << "quitting waited for the bus";
  EXPECT_EQ(said.count("accessibility is off for this run"), 1) << said.toStdString();
  std::printf("[ figure ] %s: window up in %lld ms, quit in %lld ms\n", kind, static_cast<long long>(toWindow),
              static_cast<long long>(toQuit));
}

TEST(DesktopBus, AHostileAccessibilityBusKeepsNeitherTheWindowNorQuittingWaiting) {
  if (!test::XvfbServer::installed() || !test::SessionBus::installed()) GTEST_SKIP() << "no Xvfb or dbus-daemon";
  test::XvfbServer x;
  ASSERT_TRUE(x.start());
  QProcessEnvironment base = QProcessEnvironment::systemEnvironment();
  base.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
  base.remove("AT_SPI_BUS_ADDRESS");
  {
    test::SessionBus stopped;
    ASSERT_TRUE(stopped.start());
    ASSERT_EQ(::kill(static_cast<pid_t>(stopped.pid()), SIGSTOP), 0);
    QProcessEnvironment environment = base;
    environment.insert("AT_SPI_BUS_ADDRESS", stopped.address());
    windowComesUpAndQuits(x, environment, "a stopped bus");
    // The session bus, which names the accessibility bus, is the stopped one.
    environment = base;
    environment.insert("DBUS_SESSION_BUS_ADDRESS", stopped.address());
    windowComesUpAndQuits(x, environment, "a stopped session bus");
  }
  QTemporaryDir dir;
  for (const char* mode : {"silent", "no-hello", "refuse"}) {
    QProcess bus;
    const QString socket = dir.filePath(mode);
    ASSERT_TRUE(startFakeBus(bus, socket, mode));
    QProcessEnvironment environment = base;
    environment.insert("AT_SPI_BUS_ADDRESS", "unix:path=" + socket);
    windowComesUpAndQuits(x, environment, mode);
    end(bus);
  }
  // The accessibility service on the session bus, which says whether accessibility is on and
  // names the bus, is stopped; accessibility is the desktop's to switch on.
  if (const QString why = test::AccessibilityBus::unavailable(); !why.isEmpty()) GTEST_SKIP() << why.toStdString();
  test::AccessibilityBus a11y;
  ASSERT_TRUE(a11y.start());
  ASSERT_EQ(::kill(static_cast<pid_t>(a11y.launcherPid()), SIGSTOP), 0);
  QProcessEnvironment environment = a11y.environment(base);
  environment.remove("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");
  windowComesUpAndQuits(x, environment, "a stopped accessibility service");
}

}  // namespace
}  // namespace storm::e2e
