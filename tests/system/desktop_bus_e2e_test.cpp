#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

#include "support/AutomationClient.h"
#include "support/SessionBus.h"

// The all-clear's desktop notification against session buses that misbehave: one that lets
// clients connect and then says nothing (a stopped daemon), and one that refuses to register them.
// Neither may hold up the strike log or quitting, or bring the app down.

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

}  // namespace
}  // namespace storm::e2e
