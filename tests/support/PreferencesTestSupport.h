#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>

#include "rating/RatingPrompt.h"
#include "system/ManualClock.h"
#include "system/qt/QtPreferences.h"

// The fixture of the preference store's tests: a record in a folder of its own, opened with the
// rating prompt's keys and a clock that stands still, and the record writer as another process.

namespace storm::qt::test {

inline constexpr double kEpoch = 1'700'000'000;  // 2023-11-14 22:13:20 UTC

class PreferencesStore : public ::testing::Test {
 protected:
  std::unique_ptr<QtPreferences> open() {
    return std::make_unique<QtPreferences>(path, RatingPrompt::preferenceKeys(), clock);
  }
  void writeFile(const QByteArray& bytes) {
    QDir().mkpath(dir.path() + "/storm-distance");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
  }
  QByteArray readFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  QStringList filesBeside() { return QDir(dir.path() + "/storm-distance").entryList(QDir::Files, QDir::Name); }

  // The record writer (another process) run on the record with `arguments`, killed if it has not
  // ended within 30 s.
  struct Run {
    bool finished = false;
    int exitCode = -1;
    QString err;
  };
  Run runWriter(const QStringList& arguments) {
    QProcess writer;
    writer.start(STORM_RECORD_WRITER, QStringList{path, QString::number(kEpoch, 'f', 0)} + arguments);
    Run run;
    if (!writer.waitForStarted(10000)) return run;
    run.finished = writer.waitForFinished(30000);
    if (!run.finished) {
      writer.kill();
      writer.waitForFinished(5000);
    }
    run.exitCode = writer.exitCode();
    run.err = QString::fromUtf8(writer.readAllStandardError());
    return run;
  }

  QTemporaryDir dir;
  QString path = dir.path() + "/storm-distance/storm-distance.ini";
  std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(kEpoch);
};

}  // namespace storm::qt::test
