#include "rating/RatingPrompt.h"

#include <atomic>
#include <limits>
#include <utility>

namespace storm {

namespace {

constexpr double kSecondsUntilPrompt = 30 * 86400.0;  // since the version's first use
constexpr long kUsesUntilPrompt = 11;
constexpr long kSignificantEventsUntilPrompt = 0;
constexpr double kSecondsBeforeReminding = 86400.0;  // after "Remind me later"

constexpr char kTitleText[] = "Rate %@";
constexpr char kMessageText[] =
    "If you enjoy using %@, would you mind taking a moment to rate it? It won't take more than a minute. "
    "Thanks for your support!";
constexpr char kCancelButtonText[] = "No, Thanks";
constexpr char kRateButtonText[] = "Rate %@";
constexpr char kRemindButtonText[] = "Remind me later";

constexpr long kButtonNoThanks = 0;
constexpr long kButtonRate = 1;
constexpr long kButtonRemindLater = 2;

// The services of the shared instance: set once at start-up, read from any thread.
std::atomic<std::shared_ptr<const RatingPrompt::Services>>& shared() {
  static std::atomic<std::shared_ptr<const RatingPrompt::Services>> services;
  return services;
}

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

}  // namespace

std::string formatWithArgument(std::string_view format, std::string_view argument) {
  std::string out;
  out.reserve(format.size() + argument.size());
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '@') {
      out += argument;
      ++i;
    } else if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '%') {
      out += '%';
      ++i;
    } else {
      out += format[i];
    }
  }
  return out;
}

RatingPrompt::RatingPrompt(std::shared_ptr<const Services> services) : services_(std::move(services)) {}

// ---- class operations ----

void RatingPrompt::setSharedServices(std::shared_ptr<const Services> services) { shared().store(std::move(services)); }

void RatingPrompt::submit(void (RatingPrompt::*operation)(bool), bool canPromptForRating) {
  const std::shared_ptr<const Services> services = shared().load();
  if (!services || !services->dispatch) return;
  services->dispatch->asyncLowPriority([operation, canPromptForRating] {
    if (auto instance = sharedInstance()) (instance.get()->*operation)(canPromptForRating);
  });
}

void RatingPrompt::appLaunched(bool canPromptForRating) { submit(&RatingPrompt::incrementAndRate, canPromptForRating); }

void RatingPrompt::appEnteredForeground(bool canPromptForRating) {
  submit(&RatingPrompt::incrementAndRate, canPromptForRating);
}

void RatingPrompt::userDidSignificantEvent(bool canPromptForRating) {
  submit(&RatingPrompt::incrementSignificantEventAndRate, canPromptForRating);
}

void RatingPrompt::appLaunched() { appLaunched(true); }

std::shared_ptr<RatingPrompt> RatingPrompt::sharedInstance() {
  static OnceFlag once;
  static std::shared_ptr<RatingPrompt> instance;
  std::shared_ptr<const Services> services = shared().load();
  if (!services) return nullptr;
  dispatchOnce(once, [&services] { instance = std::make_shared<RatingPrompt>(services); });
  return instance;
}

void RatingPrompt::appWillResignActive() {
  if (auto instance = sharedInstance()) instance->hideRatingAlert();
}

void RatingPrompt::holdRatingAlert(bool held) {
  if (auto instance = sharedInstance()) instance->setRatingAlertHeld(held);
}

const std::vector<PreferenceKey>& RatingPrompt::preferenceKeys() {
  static const std::vector<PreferenceKey> keys{
      {kRatingPromptCurrentVersion, PreferenceType::String},
      {kRatingPromptFirstUseDate, PreferenceType::Double},
      {kRatingPromptUseCount, PreferenceType::Integer},
      {kRatingPromptSignificantEventCount, PreferenceType::Integer},
      {kRatingPromptRatedCurrentVersion, PreferenceType::Bool},
      {kRatingPromptDeclinedToRate, PreferenceType::Bool},
      {kRatingPromptReminderRequestDate, PreferenceType::Double},
  };
  return keys;
}

// ---- the usage record ----

void RatingPrompt::incrementUseCount() { incrementCount(Counter::Uses); }

void RatingPrompt::incrementSignificantEventCount() { incrementCount(Counter::SignificantEvents); }

void RatingPrompt::incrementCount(Counter counter) {
  const std::optional<std::string> current = services_->info(kCFBundleVersionKey);
  const bool uses = counter == Counter::Uses;
  // Without a version no record can be told to be this version's, so each count starts it over;
  // said once, not at every use.
  if (!current && !versionlessReported_.exchange(true))
    services_->logger->log("The bundle has no version (CFBundleVersion); the rating record starts over at every use");
  std::lock_guard lock(recordMutex_);
  // Read, counted and saved under the store's lock, so that copies of the application running
  // side by side lose none of each other's uses.
  services_->preferences->update([&](Preferences& store) {
    std::optional<std::string> tracked = store.stringForKey(kRatingPromptCurrentVersion);
    if (!tracked) {
      // A record without a version belongs to the current one; it is not a version change.
      store.setObject(current, kRatingPromptCurrentVersion);
      tracked = current;
    }
    if (tracked && current && *tracked == *current) {
      if (store.doubleForKey(kRatingPromptFirstUseDate) == 0.0)
        store.setDouble(services_->clock->now(), kRatingPromptFirstUseDate);
      const char* key = uses ? kRatingPromptUseCount : kRatingPromptSignificantEventCount;
      const long count = store.integerForKey(key);
      // A count at the top of the range stays there rather than overflowing.
      store.setInteger(count < std::numeric_limits<long>::max() ? count + 1 : count, key);
    } else {
      // Another version (newer or older): the record starts over for it.
      store.setObject(current, kRatingPromptCurrentVersion);
      store.setDouble(uses ? services_->clock->now() : 0.0, kRatingPromptFirstUseDate);
      store.setInteger(uses ? 1L : 0L, kRatingPromptUseCount);
      store.setInteger(uses ? 0L : 1L, kRatingPromptSignificantEventCount);
      store.setBool(false, kRatingPromptRatedCurrentVersion);
      store.setBool(false, kRatingPromptDeclinedToRate);
      store.setDouble(0.0, kRatingPromptReminderRequestDate);
    }
  });
}

// ---- conditions and probe ----

bool RatingPrompt::ratingConditionsHaveBeenMet() {
  Preferences* store = services_->preferences.get();
  std::lock_guard lock(recordMutex_);
  // An answer given in another copy of the application counts here too.
  store->refresh();
  const double firstUse = store->doubleForKey(kRatingPromptFirstUseDate);
  if (services_->clock->now() - firstUse < kSecondsUntilPrompt) return false;
  if (store->integerForKey(kRatingPromptUseCount) < kUsesUntilPrompt) return false;
  if (store->integerForKey(kRatingPromptSignificantEventCount) < kSignificantEventsUntilPrompt) return false;
  if (store->boolForKey(kRatingPromptDeclinedToRate)) return false;
  if (store->boolForKey(kRatingPromptRatedCurrentVersion)) return false;
  const double reminder = store->doubleForKey(kRatingPromptReminderRequestDate);
  return services_->clock->now() - reminder >= kSecondsBeforeReminding;
}

bool RatingPrompt::connectedToNetwork() {
  const SocketAddressIn zeroAddress;
  std::unique_ptr<ReachabilityTarget> target = services_->reachability->createWithAddress(zeroAddress);
  ReachabilityFlags flags = 0;
  const bool gotFlags = target && target->getFlags(flags);
  target.reset();
  if (!gotFlags) {
    services_->logger->log("Error. Could not recover network reachability flags");
    return false;
  }
  // The probe goes out whatever the flags say: they are only looked at afterwards.
  const URLRequest request{services_->probeURL, URLRequestCachePolicy::ReloadIgnoringLocalCacheData, 20.0};
  const bool connected = services_->urlConnections->startConnection(request);
  const bool directRoute =
      (flags & (kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsConnectionRequired)) ==
      kSCNetworkReachabilityFlagsReachable;
  const bool transient = (flags & kSCNetworkReachabilityFlagsTransientConnection) != 0;
  return (directRoute || transient) && connected;
}

// ---- the flow ----

void RatingPrompt::incrementAndRate(bool canPromptForRating) {
  incrementUseCount();
  rateIfAllowed(canPromptForRating);
}

void RatingPrompt::incrementSignificantEventAndRate(bool canPromptForRating) {
  incrementSignificantEventCount();
  rateIfAllowed(canPromptForRating);
}

void RatingPrompt::rateIfAllowed(bool canPromptForRating) {
  if (!canPromptForRating || !ratingConditionsHaveBeenMet() || !connectedToNetwork()) return;
  services_->dispatch->asyncMain([self = shared_from_this()] { self->showRatingAlert(); });
}

std::string RatingPrompt::localized(const std::string& key) const { return services_->locale->localizedString(key); }

std::string RatingPrompt::bundleName() const {
  std::optional<std::string> name = services_->info(kCFBundleNameKey);
  if (name) return *name;
  // Without a name the text reads as if the name were empty; said once, not at every dialog.
  if (!namelessReported_.exchange(true))
    services_->logger->log("The bundle has no name (CFBundleName); it shows as empty");
  return {};
}

void RatingPrompt::showRatingAlert() {
  // Two counting calls can both find the conditions met; the user is asked once.
  if (ratingAlert_ && ratingAlert_->isVisible()) return;
  // A running measurement is never interrupted: the dialog waits for its end.
  if (alertHeld_) {
    alertDue_ = true;
    return;
  }
  const std::string title = formatWithArgument(localized(kTitleText), bundleName());
  const std::string message = formatWithArgument(localized(kMessageText), bundleName());
  const std::string cancel = localized(kCancelButtonText);
  const std::string rate = formatWithArgument(localized(kRateButtonText), bundleName());
  const std::string remind = localized(kRemindButtonText);
  ratingAlert_ =
      services_->alertViews->makeAlertView(title, message, weak_from_this(), cancel, std::vector{rate, remind});
  if (ratingAlert_) ratingAlert_->show();
}

void RatingPrompt::setRatingAlertHeld(bool held) {
  alertHeld_ = held;
  if (!held && std::exchange(alertDue_, false)) showRatingAlert();
}

void RatingPrompt::hideRatingAlert() {
  // One that was waiting goes too; the next return to the foreground asks again.
  alertDue_ = false;
  // Index -1 is no button's: nothing is recorded.
  if (ratingAlert_ && ratingAlert_->isVisible()) ratingAlert_->dismissWithClickedButtonIndex(-1, false);
}

template <class Write>
void RatingPrompt::recordAnswer(Write&& write) {
  std::lock_guard lock(recordMutex_);
  services_->preferences->update([&](Preferences& store) { write(&store); });
}

void RatingPrompt::alertViewClickedButtonAtIndex(AlertView&, long buttonIndex) {
  switch (buttonIndex) {
    case kButtonNoThanks:
      recordAnswer([](Preferences* store) { store->setBool(true, kRatingPromptDeclinedToRate); });
      break;
    case kButtonRate: rateApp(); break;
    case kButtonRemindLater:
      recordAnswer(
          [this](Preferences* store) { store->setDouble(services_->clock->now(), kRatingPromptReminderRequestDate); });
      break;
    default: break;
  }
}

void RatingPrompt::rateApp() {
  const std::string url = replaceAll(reviewURLTemplate(), "APP_ID", std::to_string(applicationStoreIdentifier));
  // Stored before the store opens, which may take the application out of the foreground.
  recordAnswer([](Preferences* store) { store->setBool(true, kRatingPromptRatedCurrentVersion); });
  if (!services_->urlOpener || services_->urlOpener->openURL(url)) return;
  // A desktop without a handler for the store's links: the software centre has the app's page,
  // where reviews are written too.
  const std::string centre = softwareCentreURL();
  const bool opened = services_->urlOpener->openURL(centre);
  if (services_->logger)
    services_->logger->log(opened ? "No handler for " + url + "; opened " + centre + " instead"
                                  : "No handler for " + url + " or " + centre + "; nothing opened");
}

}  // namespace storm
