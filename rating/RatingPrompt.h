#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "BuildConfig.h"
#include "rating/AlertView.h"
#include "rating/Reachability.h"
#include "rating/URLConnection.h"
#include "system/Clock.h"
#include "system/Dispatch.h"
#include "system/Locale.h"
#include "system/Logger.h"
#include "system/Preferences.h"
#include "system/URLOpener.h"

// The rating prompt. It counts the uses of each application version in the user's preferences,
// and when the version has been used long and often enough, the user has not answered yet and
// the device seems to be online, it asks the user to rate the application in the store and
// records the answer.
//
// The application talks to it through the class operations (appLaunched, appEnteredForeground),
// which return at once: the bookkeeping runs on the low-priority queue, the dialog on the main
// thread. Instances run on the services they are given; the shared instance on those set with
// setSharedServices.

namespace storm {

// The keys of the application's information the prompt reads: its version and its name.
inline constexpr char kCFBundleVersionKey[] = "CFBundleVersion";
inline constexpr char kCFBundleNameKey[] = "CFBundleName";

// The usage record: each key's text is its own name.
inline constexpr char kRatingPromptCurrentVersion[] = "kRatingPromptCurrentVersion";
inline constexpr char kRatingPromptFirstUseDate[] = "kRatingPromptFirstUseDate";
inline constexpr char kRatingPromptUseCount[] = "kRatingPromptUseCount";
inline constexpr char kRatingPromptSignificantEventCount[] = "kRatingPromptSignificantEventCount";
inline constexpr char kRatingPromptRatedCurrentVersion[] = "kRatingPromptRatedCurrentVersion";
inline constexpr char kRatingPromptDeclinedToRate[] = "kRatingPromptDeclinedToRate";
inline constexpr char kRatingPromptReminderRequestDate[] = "kRatingPromptReminderRequestDate";

// The page whose fetching tells that the network is really there.
inline constexpr const char* kRatingPromptProbeURL = build::kProbeURL;

// The application's page in the desktop's software centre.
inline std::string softwareCentreURL() { return std::string("appstream://") + build::kApplicationId; }

// The store's review page; "APP_ID" stands for the application's store identifier.
inline std::string reviewURLTemplate() {
  return std::string("itms-apps://") + build::kReviewHost +
         "/WebObjects/MZStore.woa/wa/viewContentsUserReviews?type=Purple+Software&id=APP_ID";
}
inline constexpr long applicationStoreIdentifier = build::kAppStoreId;

class RatingPrompt : public AlertViewDelegate, public std::enable_shared_from_this<RatingPrompt> {
 public:
  // What the prompt runs on. The record, the information, the texts, the clock and the queue are
  // needed; without the others their step does nothing (no dialog, no probe, no link opened,
  // nothing logged).
  struct Services {
    std::shared_ptr<Preferences> preferences;
    // The application's information: the string under a key (kCFBundleVersionKey,
    // kCFBundleNameKey), read afresh at each call; nothing for a key it lacks. Any thread.
    std::function<std::optional<std::string>(const std::string& key)> info;
    std::shared_ptr<Locale> locale;  // the dialog's texts in the user's language
    std::shared_ptr<Clock> clock;
    std::shared_ptr<Dispatcher> dispatch;
    std::shared_ptr<Reachability> reachability;
    std::shared_ptr<URLConnectionFactory> urlConnections;
    std::shared_ptr<AlertViewFactory> alertViews;
    std::shared_ptr<URLOpener> urlOpener;
    std::shared_ptr<Logger> logger;
    std::string probeURL = kRatingPromptProbeURL;
  };

  explicit RatingPrompt(std::shared_ptr<const Services> services);

  // ---- class operations ----

  // The services of the shared instance. Set once at start-up, before the first entry point;
  // without them the entry points do nothing.
  static void setSharedServices(std::shared_ptr<const Services> services);
  // A launch / a return to the foreground: counts a use and, if `canPromptForRating`, may ask.
  static void appLaunched(bool canPromptForRating);
  static void appEnteredForeground(bool canPromptForRating);
  // Counts a significant event and, if `canPromptForRating`, may ask.
  static void userDidSignificantEvent(bool canPromptForRating);
  static void appLaunched();
  // Made on the first call, once per process; empty while no shared platform is set.
  static std::shared_ptr<RatingPrompt> sharedInstance();
  // The application is about to stop being active: a dialog on show goes. Main thread.
  static void appWillResignActive();
  // While held (a measurement runs), a dialog that is due waits and shows when released. Main thread.
  static void holdRatingAlert(bool held);

  // The seven keys of the record and their types.
  static const std::vector<PreferenceKey>& preferenceKeys();

  // ---- instance operations ----

  void incrementAndRate(bool canPromptForRating);
  void incrementSignificantEventAndRate(bool canPromptForRating);
  // Main thread.
  void showRatingAlert();
  void hideRatingAlert();
  void setRatingAlertHeld(bool held);
  void alertViewClickedButtonAtIndex(AlertView& alertView, long buttonIndex) override;
  std::shared_ptr<AlertView> ratingAlert() const { return ratingAlert_; }
  void setRatingAlert(std::shared_ptr<AlertView> alert) { ratingAlert_ = std::move(alert); }

  void incrementUseCount();
  void incrementSignificantEventCount();
  bool ratingConditionsHaveBeenMet();
  bool connectedToNetwork();
  // Marks the current version as rated and opens its review page. Main thread.
  void rateApp();

 private:
  enum class Counter { Uses, SignificantEvents };

  static void submit(void (RatingPrompt::*operation)(bool), bool canPromptForRating);
  void incrementCount(Counter counter);
  void rateIfAllowed(bool canPromptForRating);
  // Writes through the store's update, under the record lock.
  template <class Write>
  void recordAnswer(Write&& write);
  std::string localized(const std::string& key) const;
  std::string bundleName() const;

  const std::shared_ptr<const Services> services_;
  // Serialises this instance's uses of the record (counting, answers, the conditions' reads), so
  // that the conditions read one state of it while the queue and the main thread both change it.
  // Other processes are kept out by the store's own lock (`Preferences::update`).
  std::mutex recordMutex_;
  mutable std::atomic<bool> namelessReported_{false};
  std::atomic<bool> versionlessReported_{false};
  // Main thread only:
  std::shared_ptr<AlertView> ratingAlert_;
  bool alertHeld_ = false;
  bool alertDue_ = false;  // asked for while held
};

// `format` with each "%@" replaced by `argument` and each "%%" by "%"; any other "%" stays as it
// is, so a text from outside can never be taken for a format of more arguments.
std::string formatWithArgument(std::string_view format, std::string_view argument);

}  // namespace storm
