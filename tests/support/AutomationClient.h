#pragma once

#include <gtest/gtest.h>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <string>

#include "support/Sandbox.h"

// Starts the app in automation mode and talks to it: one command a line, one JSON answer each.
// Every instance gets a sandbox of its own unless it is given the environment of one to share, so
// runs never share state by accident.

namespace storm::e2e {

class AutomationClient {
 public:
  // `platform`: the Qt platform plugin; "xcb" with DISPLAY in `environment` for a real window.
  explicit AutomationClient(QStringList arguments = {},
                            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment(),
                            const QString& platform = "offscreen") {
    environment.insert("QT_QPA_PLATFORM", platform);
    // A sandbox the caller shares between launches, or one of this client's own.
    process_.setProcessEnvironment(test::Sandbox::inSandbox(environment) ? environment : home_.environment(environment));
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start(STORM_APP_BINARY, QStringList{"--automation"} + arguments);
    started_ = process_.waitForStarted(10000);
  }
  ~AutomationClient() {
    if (process_.state() != QProcess::NotRunning) {
      process_.write("quit\n");
      if (!process_.waitForFinished(5000)) process_.kill();
      process_.waitForFinished(2000);
    }
  }
  AutomationClient(const AutomationClient&) = delete;
  AutomationClient& operator=(const AutomationClient&) = delete;

  bool started() const { return started_; }
  QString home() const { return home_.path(); }
  const test::Sandbox& sandbox() const { return home_; }
  // The app's process id, for reading its figures under /proc; 0 when it is not running.
  qint64 pid() const { return process_.processId(); }

  // Sends one command and returns its answer (an empty object if none came in time).
  QJsonObject send(const QString& command, int timeoutMs = 30000) { return sendBytes(command.toUtf8(), timeoutMs); }
  // The same for a command line given as bytes, which need not be valid text.
  QJsonObject sendBytes(const QByteArray& command, int timeoutMs = 30000) {
    process_.write(command + "\n");
    process_.waitForBytesWritten(2000);
    while (!process_.canReadLine()) {
      if (!process_.waitForReadyRead(timeoutMs)) {
        ADD_FAILURE() << "no answer to '" << command.toStdString()
                      << "'; stderr: " << process_.readAllStandardError().toStdString();
        return {};
      }
    }
    const QByteArray line = process_.readLine();
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
      ADD_FAILURE() << "answer to '" << command.toStdString() << "' is not a JSON object: " << line.toStdString();
      return {};
    }
    return doc.object();
  }

  // Sends a command that must answer {"ok":true}.
  void ok(const QString& command) {
    const QJsonObject answer = send(command);
    EXPECT_TRUE(answer.value("ok").toBool())
        << command.toStdString() << " -> " << QJsonDocument(answer).toJson(QJsonDocument::Compact).toStdString();
  }

  QJsonObject state() { return send("state"); }

  // Writes a command without waiting for its answer.
  void post(const QString& command) {
    process_.write((command + "\n").toUtf8());
    process_.waitForBytesWritten(2000);
  }
  // Ends the app with SIGKILL, whatever it is doing.
  void kill() {
    process_.kill();
    process_.waitForFinished(5000);
  }

  // Ends the app with `quit` and returns its exit code.
  int quit() {
    process_.write("quit\n");
    process_.waitForFinished(10000);
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
  }

  // Reads answers until `count` have come (or none comes for `timeoutMs`); returns them in order.
  QList<QByteArray> answers(qsizetype count, int timeoutMs = 30000) {
    QList<QByteArray> lines;
    lines.reserve(count);
    while (lines.size() < count) {
      if (!process_.canReadLine() && !process_.waitForReadyRead(timeoutMs)) break;
      while (lines.size() < count && process_.canReadLine()) lines.push_back(process_.readLine().trimmed());
    }
    return lines;
  }

  QString stderrText() { return QString::fromUtf8(process_.readAllStandardError()); }

 private:
  test::Sandbox home_;
  QProcess process_;
  bool started_ = false;
};

}  // namespace storm::e2e
