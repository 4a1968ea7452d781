#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "screens/View.h"
#include "support/FakeBanner.h"
#include "system/DateFormatter.h"
#include "system/Logger.h"
#include "system/ManualClock.h"
#include "system/URLOpener.h"

// Fakes of the simplest services: a formatter of the two patterns the stopwatch uses, and
// recorders for URLs, log lines and animations. FakeServices (FakeServices.h) wires them all.

namespace storm::fakes {

// Formats "s.SSS" and "SSS" (the second within the minute, thousandths), zone offset applied.
class FakeDateFormatterFactory : public DateFormatterFactory {
 public:
  std::unique_ptr<DateFormatter> makeDateFormatter() override;
  int made = 0;
};

class RecordingURLOpener : public URLOpener {
 public:
  bool openURL(const std::string& url) override {
    opened.push_back(url);
    const auto answer = resultFor.find(url);
    return answer != resultFor.end() ? answer->second : result;
  }
  std::vector<std::string> opened;
  bool result = true;
  std::map<std::string, bool> resultFor;  // answers other than `result`
};

class RecordingLogger : public Logger {
 public:
  void log(const std::string& line) override { lines.push_back(line); }
  std::vector<std::string> lines;
};

// Runs each animation block at once (or, while `holding`, keeps it in `held` for the test to run)
// and records its duration.
class RecordingAnimator : public Animator {
 public:
  void animateWithDuration(double duration, std::function<void()> changes) override {
    durations.push_back(duration);
    if (holding)
      held.push_back(std::move(changes));
    else if (changes)
      changes();
  }
  std::vector<double> durations;
  bool holding = false;
  std::vector<std::function<void()>> held;
};

}  // namespace storm::fakes
