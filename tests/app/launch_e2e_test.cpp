#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <tuple>

#include <csignal>

#include "support/Sandbox.h"

// Launches outside automation mode: one running copy per configuration folder (and a later launch
// that gets no answer from it); the command line and a missing display.

namespace storm::e2e {
namespace {

TEST(LaunchE2E, ASecondLaunchBringsTheRunningWindowForwardAndLeaves) {
  test::Sandbox home;
  // Tiles from a closed loopback port and a fixed position: the real app reaches no other host.
  const QString sources = home.path() + "/sources.json";
  QFile file(sources);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  const QByteArray layer = R"({"url":"http://127.0.0.1:9/{z}/{x}/{y}.png","maxZoom":5,"attribution":"test"})";
  file.write("{\"standard\":" + layer + ",\"satellite\":" + layer + ",\"hybrid\":" + layer + "}");
  file.close();
  QProcessEnvironment env = home.environment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("STORM_DISTANCE_NO_RATING_PROMPT", "1");
  const QStringList arguments{"--map-sources", sources, "--location", "48,11"};

  QProcess first, second;
  for (QProcess* copy : {&first, &second}) copy->setProcessEnvironment(env);
  first.start(STORM_APP_BINARY, arguments);
  ASSERT_TRUE(first.waitForStarted(10000));
  const QString lock = home.config() + "/storm-distance/instance.lock";
  for (QDeadlineTimer deadline(10000); !QFileInfo::exists(lock) && !deadline.hasExpired();) QThread::msleep(20);

  second.start(STORM_APP_BINARY, arguments);
  ASSERT_TRUE(second.waitForFinished(10000)) << "the second copy leaves";
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_TRUE(second.readAllStandardError().contains("already running; brought its window forward"));
  EXPECT_EQ(first.state(), QProcess::Running);
  first.setReadChannel(QProcess::StandardError);
  QByteArray told;
  for (QDeadlineTimer deadline(5000); !told.contains("brought it forward") && !deadline.hasExpired();) {
    first.waitForReadyRead(100);
    told += first.readAllStandardError();
  }
  EXPECT_TRUE(told.contains("another launch asked for the window; brought it forward")) << told.toStdString();

  // A running copy that is stopped takes in the request but cannot answer it: the later launch
  // says so, in a few seconds, and fails.
  ASSERT_EQ(::kill(static_cast<pid_t>(first.processId()), SIGSTOP), 0);
  QProcess third;
  third.setProcessEnvironment(env);
  third.start(STORM_APP_BINARY, arguments);
  EXPECT_TRUE(third.waitForFinished(15000)) << "the launch waits for the answer only so long";
  EXPECT_NE(third.exitCode(), 0);
  EXPECT_TRUE(third.readAllStandardError().contains("already running, but the running copy did not answer"));
  ::kill(static_cast<pid_t>(first.processId()), SIGCONT);
  third.kill();
  third.waitForFinished(2000);
  first.kill();
  first.waitForFinished(5000);
}

// Without any display, --help and --version still answer, and a start says why it cannot in one
// line with status 1 (not the toolkit's abort).
TEST(LaunchE2E, WithoutADisplayTheTextsAnswerAndAStartFailsInOneLine) {
  test::Sandbox home;
  QProcessEnvironment env = home.environment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
  auto run = [&env](const QStringList& arguments) {
    QProcess app;
    app.setProcessEnvironment(env);
    app.start(STORM_APP_BINARY, arguments);
    app.waitForFinished(10000);
    return std::tuple{app.exitStatus() == QProcess::NormalExit ? app.exitCode() : -1,
                      QString::fromUtf8(app.readAllStandardOutput()), QString::fromUtf8(app.readAllStandardError())};
  };
  const auto [versionStatus, version, versionErrors] = run({"--version"});
  EXPECT_EQ(versionStatus, 0);
  EXPECT_EQ(version.trimmed(), "storm-distance 1.0.0");
  const auto [helpStatus, help, helpErrors] = run({"--help"});
  EXPECT_EQ(helpStatus, 0);
  EXPECT_TRUE(help.contains("--location <LAT,LON>")) << help.toStdString();
  const auto [status, out, errors] = run({});
  EXPECT_EQ(status, 1);
  EXPECT_EQ(errors, "storm-distance: no display to open a window on (neither DISPLAY nor WAYLAND_DISPLAY is set)\n");
}

}  // namespace
}  // namespace storm::e2e
