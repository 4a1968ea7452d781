#pragma once

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

#include <signal.h>

// A private D-Bus session bus for a test: a dbus-daemon with a configuration of its own in a
// temporary folder, where anyone may own a name and call anyone (and, when asked, eavesdrop).
// It ends with the test, by its own process id, stopped or not.

namespace storm::test {

class SessionBus {
 public:
  static bool installed() { return !QStandardPaths::findExecutable("dbus-daemon").isEmpty(); }

  ~SessionBus() {
    if (process_.state() == QProcess::NotRunning) return;
    ::kill(static_cast<pid_t>(process_.processId()), SIGCONT);
    process_.kill();
    process_.waitForFinished(5000);
  }

  // False if it did not come up in time.
  bool start(bool eavesdrop = false) {
    QFile config(dir_.filePath("bus.conf"));
    if (!config.open(QIODevice::WriteOnly)) return false;
    const QString allow = eavesdrop ? R"(<allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/>)"
                                    : R"(<allow send_destination="*"/>)";
    config.write(QString("<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                         "<policy context=\"default\">%2<allow own=\"*\"/></policy></busconfig>")
                     .arg(dir_.path(), allow)
                     .toUtf8());
    config.close();
    process_.start(QStandardPaths::findExecutable("dbus-daemon"),
                   {"--config-file=" + config.fileName(), "--print-address=1", "--nofork", "--nopidfile"});
    if (!process_.waitForReadyRead(10000)) return false;
    address_ = QString::fromUtf8(process_.readLine()).trimmed();
    return !address_.isEmpty();
  }

  QString address() const { return address_; }
  qint64 pid() const { return process_.processId(); }

 private:
  QTemporaryDir dir_;
  QProcess process_;
  QString address_;
};

}  // namespace storm::test
