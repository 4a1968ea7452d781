#pragma once

#include <QLoggingCategory>
#include <mutex>
#include <string>
#include <vector>

#include "system/Logger.h"

// One path for every report of the application: Qt's logging with two categories of our own.
//   storm-distance       the platform's diagnostics (a bad option, a damaged file), printed as
//                        "storm-distance: <text>" on stderr
//   storm-distance.log   the application's log (the Logger interface), printed as it stands and
//                        kept for the automation `state`
// Lines of other categories (Qt's own) go to the handler that was there before.

namespace storm::qt {

Q_DECLARE_LOGGING_CATEGORY(lcStorm)
Q_DECLARE_LOGGING_CATEGORY(lcLog)

// The application's log. While one exists it receives every line of storm-distance.log; make one
// per process. Any thread.
class RecordingLogger : public Logger {
 public:
  RecordingLogger();
  ~RecordingLogger() override;
  RecordingLogger(const RecordingLogger&) = delete;
  RecordingLogger& operator=(const RecordingLogger&) = delete;

  // Reports `line` in storm-distance.log.
  void log(const std::string& line) override;
  // Keeps a line of storm-distance.log for `lines`.
  void record(const std::string& line);
  std::vector<std::string> lines() const;

 private:
  mutable std::mutex mutex_;  // guards lines_
  std::vector<std::string> lines_;
};

}  // namespace storm::qt
