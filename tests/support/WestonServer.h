#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

// A private Wayland compositor for tests: Debian's weston on its headless backend, drawing with
// pixman (so that its screen has pixels to take a picture of) and with its debugging protocols on
// (which let weston-screenshooter take it). Its socket lies in a folder of its own, and an app
// reaches it by that socket's full path, whatever its XDG_RUNTIME_DIR.

namespace storm::test {

class WestonServer {
 public:
  static bool installed() { return !QStandardPaths::findExecutable("weston").isEmpty(); }

  ~WestonServer() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) process_.kill();
    process_.waitForFinished(2000);
  }

  // Starts one with an output of `width` × `height` pixels; false if its socket did not appear.
  bool start(int width, int height) {
    if (!dir_.isValid()) return false;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", dir_.path());  // QTemporaryDir makes it 0700, as weston wants
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.setStandardOutputFile(dir_.filePath("weston.log"));
    process_.start("weston",
                   {"--backend=headless-backend.so", "--use-pixman", "--debug", "--no-config", "--idle-time=0",
                    "--socket=wayland-test", QString("--width=%1").arg(width), QString("--height=%1").arg(height)});
    if (!process_.waitForStarted(5000)) return false;
    const QDeadlineTimer deadline(15000);
    while (!QFileInfo(socket()).exists()) {
      if (deadline.hasExpired() || process_.state() == QProcess::NotRunning) return false;
      QThread::msleep(20);  // polling for the socket weston makes
    }
    return true;
  }

  QString socket() const { return dir_.filePath("wayland-test"); }
  // `base` pointed at this compositor, with no X server to fall back on.
  QProcessEnvironment environment(QProcessEnvironment base = QProcessEnvironment::systemEnvironment()) const {
    base.insert("WAYLAND_DISPLAY", socket());
    base.remove("DISPLAY");
    return base;
  }

  // A picture of the whole output, taken by weston-screenshooter into `folder`; its path, or empty.
  QString screenshot(const QString& folder) const {
    QProcess shooter;
    QProcessEnvironment env = environment();
    env.insert("XDG_RUNTIME_DIR", dir_.path());
    shooter.setProcessEnvironment(env);
    shooter.setWorkingDirectory(folder);
    shooter.start("weston-screenshooter", {});
    if (!shooter.waitForFinished(15000) || shooter.exitCode() != 0) return {};
    const QStringList shots = QDir(folder).entryList({"wayland-screenshot-*.png"}, QDir::Files, QDir::Time);
    return shots.isEmpty() ? QString() : QDir(folder).filePath(shots.first());
  }

 private:
  QTemporaryDir dir_;
  QProcess process_;
};

}  // namespace storm::test
