#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

// A private home for the app in a test or a benchmark: its own configuration, data, cache and
// runtime folders in a temporary folder that goes with the sandbox, so that no run sees another
// run's files, or the user's.

namespace storm::test {

class Sandbox {
 public:
  QString path() const { return dir_.path(); }
  QString config() const { return path() + "/config"; }
  QString data() const { return path() + "/data"; }
  QString cache() const { return path() + "/cache"; }

  // The files the app keeps there.
  QString preferencesFile() const { return config() + "/storm-distance/storm-distance.ini"; }
  QString settingsFile() const { return config() + "/storm-distance/settings.ini"; }
  QString strikeLog() const { return data() + "/storm-distance/strikes.sqlite"; }

  // `base` with the app's folders here (whatever folders `base` named), marked as a sandbox's.
  QProcessEnvironment environment(QProcessEnvironment base = QProcessEnvironment::systemEnvironment()) const {
    base.insert("XDG_CONFIG_HOME", config());
    base.insert("XDG_DATA_HOME", data());
    base.insert("XDG_CACHE_HOME", cache());
    base.insert("XDG_RUNTIME_DIR", path());
    base.insert(kMark, path());
    return base;
  }
  static bool inSandbox(const QProcessEnvironment& env) { return env.contains(kMark); }
  // The same for this process, before Qt reads the folders.
  void enter() const {
    const QProcessEnvironment env = environment(QProcessEnvironment());
    for (const QString& name : env.keys()) qputenv(name.toUtf8().constData(), env.value(name).toUtf8());
  }

 private:
  static constexpr const char* kMark = "STORM_TEST_SANDBOX";
  QTemporaryDir dir_;
};

}  // namespace storm::test
