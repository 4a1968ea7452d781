#pragma once

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <functional>
#include <vector>

#include <signal.h>

// The desktop's accessibility bus for a test, as a screen reader meets it: a private session bus,
// the accessibility bus launcher on it (which starts the accessibility bus and its registry), and
// a listener on the bus written with the same client library the Orca screen reader uses
// (atspi_listener.py). environment() points an app at the session bus with Qt's bridge switched
// on. Every process is the test's own and ends with it.

namespace storm::test {

class AccessibilityBus {
 public:
  static constexpr const char* kLauncher = "/usr/libexec/at-spi-bus-launcher";
  static constexpr const char* kPython = "/usr/bin/python3";

  // Why the bus cannot run here, or empty when it can.
  static QString unavailable() {
    if (!QFileInfo(kLauncher).isExecutable()) return "at-spi2-core is not installed";
    if (QStandardPaths::findExecutable("dbus-daemon").isEmpty()) return "dbus-daemon is not installed";
    if (QProcess::execute(kPython, {"-c", "import pyatspi"}) != 0) return "python3-pyatspi is not installed";
    return {};
  }

  ~AccessibilityBus() {
    for (QProcess* process : {&listener_, &launcher_, &bus_}) {
      if (process->state() == QProcess::NotRunning) continue;
      ::kill(static_cast<pid_t>(process->processId()), SIGCONT);  // in case a test stopped it
      process->terminate();                                       // the launcher ends the accessibility bus it started
      if (!process->waitForFinished(5000)) process->kill();
      process->waitForFinished(2000);
    }
  }

  bool start() {
    bus_.start("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address=1"});
    if (!bus_.waitForStarted(5000) || !bus_.waitForReadyRead(5000)) return false;
    address_ = QString::fromUtf8(bus_.readLine()).trimmed();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", address_);
    launcher_.setProcessEnvironment(env);
    launcher_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    launcher_.start(kLauncher, {"--launch-immediately"});
    if (!launcher_.waitForStarted(5000)) return false;
    listener_.setProcessEnvironment(env);
    listener_.start(kPython, {QString(STORM_TEST_SUPPORT_DIR "/atspi_listener.py")});
    return listener_.waitForStarted(5000) && waitFor([](const QJsonObject& e) { return e["type"] == "ready"; }, 15000);
  }

  // The accessibility bus launcher, which answers for the accessibility service on the session bus.
  qint64 launcherPid() const { return launcher_.processId(); }

  QProcessEnvironment environment(QProcessEnvironment base) const {
    base.insert("DBUS_SESSION_BUS_ADDRESS", address_);
    base.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    return base;
  }

  // Every line the listener printed so far.
  const std::vector<QJsonObject>& events() {
    read(0);
    return events_;
  }
  // Waits until the listener printed a line (the `from`th or later) that `match` accepts; true if
  // it came in time.
  bool waitFor(const std::function<bool(const QJsonObject&)>& match, int milliseconds = 10000, size_t from = 0) {
    const QDeadlineTimer deadline(milliseconds);
    size_t seen = from;
    while (true) {
      for (; seen < events_.size(); ++seen)
        if (match(events_[seen])) return true;
      if (deadline.hasExpired() || !read(static_cast<int>(deadline.remainingTime()))) return false;
    }
  }
  // The listener's answer about the first accessible named `name`.
  QJsonObject find(const QString& name) {
    const size_t from = events().size();
    listener_.write(("find " + name + "\n").toUtf8());
    QJsonObject answer;
    waitFor(
        [&](const QJsonObject& e) {
          if (e["find"] != name) return false;
          answer = e;
          return true;
        },
        10000, from);
    return answer;
  }

 private:
  bool read(int milliseconds) {
    if (!listener_.canReadLine() && !listener_.waitForReadyRead(milliseconds)) return false;
    while (listener_.canReadLine()) {
      const QJsonDocument line = QJsonDocument::fromJson(listener_.readLine());
      if (line.isObject()) events_.push_back(line.object());
    }
    return true;
  }

  QProcess bus_, launcher_, listener_;
  QString address_;
  std::vector<QJsonObject> events_;
};

}  // namespace storm::test
