#pragma once

#include <memory>
#include <string>

#include "measure/Stopwatch.h"
#include "rating/RatingPrompt.h"
#include "screens/FlipsideViewController.h"
#include "screens/MainViewController.h"
#include "support/FakeBanner.h"
#include "support/FakeRating.h"
#include "support/FakeRecorders.h"
#include "system/ManualClock.h"

// The one wiring of fakes for the tests: every service as a fake, and the services each class
// under test takes, made from them. A manual clock drives the timers; the queues run only when
// told; the dialogs, the probe and the reachability record into one event log.

namespace storm::fakes {

struct FakeServices {
  explicit FakeServices(double epoch = 1'000'000);

  std::shared_ptr<ManualClock> clock;
  std::shared_ptr<FakeDateFormatterFactory> formatters;
  std::shared_ptr<RecordingURLOpener> urls;
  std::shared_ptr<RecordingLogger> logger;
  std::shared_ptr<RecordingAnimator> animator;
  std::shared_ptr<FakeBannerService> banners;
  EventLog log;
  std::shared_ptr<FakePreferences> preferences;  // the rating record
  std::shared_ptr<FakePreferences> settings;     // the application's settings
  std::shared_ptr<FakeBundle> bundle;
  std::shared_ptr<FakeDispatcher> dispatch;
  std::shared_ptr<FakeReachability> reachability;
  std::shared_ptr<FakeURLConnections> connections;
  std::shared_ptr<FakeAlertViewFactory> alerts;

  // A stopwatch on the manual clock, at the speed of sound the settings give.
  std::shared_ptr<Stopwatch> stopwatch() const;
  MainViewController::Services mainScreen() const;
  std::shared_ptr<const RatingPrompt::Services> rating(std::string probeURL = kRatingPromptProbeURL) const;
};

}  // namespace storm::fakes
