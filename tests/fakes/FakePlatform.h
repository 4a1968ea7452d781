#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fakes/FakeBanner.h"
#include "system/ManualClock.h"
#include "app/Platform.h"

// A platform of fakes: a manual clock that drives the timers, a formatter of the two patterns the
// stopwatch uses, recorders for URLs, log lines and animations, and a banner service.

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

// Runs each animation block at once and records its duration.
class RecordingAnimator : public Animator {
 public:
  void animateWithDuration(double duration, std::function<void()> changes) override {
    durations.push_back(duration);
    if (changes) changes();
  }
  std::vector<double> durations;
};

struct FakePlatform {
  explicit FakePlatform(double epoch = 1'000'000);

  Platform platform;
  std::shared_ptr<ManualClock> clock;
  std::shared_ptr<FakeDateFormatterFactory> formatters;
  std::shared_ptr<RecordingURLOpener> urls;
  std::shared_ptr<RecordingLogger> logger;
  std::shared_ptr<RecordingAnimator> animator;
  std::shared_ptr<FakeBannerService> banners;
};

}  // namespace storm::fakes
