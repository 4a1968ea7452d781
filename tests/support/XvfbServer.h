#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>

// A private virtual X server for tests and benchmarks that need a real window: Xvfb picks a free
// display itself and names it on its standard output once it takes connections.

namespace storm::test {

class XvfbServer {
 public:
  static bool installed() { return !QStandardPaths::findExecutable("Xvfb").isEmpty(); }

  ~XvfbServer() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) process_.kill();
    process_.waitForFinished(2000);
  }

  // Starts one with a screen of `width` × `height` pixels; false if it did not come up in time.
  bool start(int width = 1024, int height = 768) {
    process_.start("Xvfb", {"-displayfd", "1", "-screen", "0", QString("%1x%2x24").arg(width).arg(height), "-nolisten",
                            "tcp", "-noreset"});
    QDeadlineTimer deadline(15000);
    while (!process_.canReadLine()) {
      if (deadline.hasExpired() || !process_.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) return false;
    }
    bool ok = false;
    const int number = process_.readLine().trimmed().toInt(&ok);
    if (ok) display_ = QString(":%1").arg(number);
    return ok;
  }

  // ":N", for DISPLAY.
  QString display() const { return display_; }
  // `base` with DISPLAY on this server.
  QProcessEnvironment environment(QProcessEnvironment base = QProcessEnvironment::systemEnvironment()) const {
    base.insert("DISPLAY", display_);
    return base;
  }

  // Gives the X input focus to the first window titled `title`, once it is mapped (xdotool waits for
  // it): with no window manager to activate it, key presses then go to it, as a keyboard's do.
  // False when xdotool failed or found none.
  bool focusWindow(const QString& title) const {
    QProcess xdotool;
    xdotool.setProcessEnvironment(environment());
    xdotool.start("sh", {"-c", "w=$(xdotool search --sync --name \"$1\" | head -1) && [ -n \"$w\" ] && "
                               "xdotool windowfocus --sync \"$w\"",
                         "focus", title});
    return xdotool.waitForFinished(15000) && xdotool.exitStatus() == QProcess::NormalExit && xdotool.exitCode() == 0;
  }

  // Runs xdotool on this server with `arguments` ("key", "space"; "keydown", "shift" …): the keys
  // of its keyboard, pressed as a person would. False when xdotool failed.
  bool xdotool(const QStringList& arguments) const {
    QProcess xdotool;
    xdotool.setProcessEnvironment(environment());
    xdotool.start("xdotool", arguments);
    return xdotool.waitForFinished(15000) && xdotool.exitStatus() == QProcess::NormalExit && xdotool.exitCode() == 0;
  }

 private:
  QProcess process_;
  QString display_;
};

}  // namespace storm::test
