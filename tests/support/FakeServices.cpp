#include "support/FakeServices.h"

#include "storm/SpeedOfSound.h"

namespace storm::fakes {

FakeServices::FakeServices(double epoch)
    : clock(std::make_shared<ManualClock>(epoch)),
      formatters(std::make_shared<FakeDateFormatterFactory>()),
      urls(std::make_shared<RecordingURLOpener>()),
      logger(std::make_shared<RecordingLogger>()),
      animator(std::make_shared<RecordingAnimator>()),
      banners(std::make_shared<FakeBannerService>()),
      preferences(std::make_shared<FakePreferences>(&log)),
      settings(std::make_shared<FakePreferences>()),
      bundle(std::make_shared<FakeBundle>()),
      dispatch(std::make_shared<FakeDispatcher>()),
      reachability(std::make_shared<FakeReachability>(log)),
      connections(std::make_shared<FakeURLConnections>(log)),
      alerts(std::make_shared<FakeAlertViewFactory>()) {}

std::shared_ptr<Stopwatch> FakeServices::stopwatch() const {
  return std::make_shared<Stopwatch>(clock, clock,
                                     [settings = settings] { return speedOfSoundSetting(settings.get()); });
}

MainViewController::Services FakeServices::mainScreen() const { return {formatters, banners, animator, urls}; }

std::shared_ptr<const RatingPrompt::Services> FakeServices::rating(std::string probeURL) const {
  auto services = std::make_shared<RatingPrompt::Services>();
  services->preferences = preferences;
  services->info = [bundle = bundle](const std::string& key) { return bundle->infoString(key); };
  services->locale = bundle;
  services->clock = clock;
  services->dispatch = dispatch;
  services->reachability = reachability;
  services->urlConnections = connections;
  services->alertViews = alerts;
  services->urlOpener = urls;
  services->logger = logger;
  services->probeURL = std::move(probeURL);
  return services;
}

}  // namespace storm::fakes
