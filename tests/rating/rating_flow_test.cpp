#include <gtest/gtest.h>

#include "rating/RatingPrompt.h"
#include "support/FakeServices.h"

// The prompt's flow: counting, asking, the dialog and its three answers, hiding, and the class
// entry points the application delegate calls.

namespace storm {
namespace {

using Record = fakes::FakePreferences::Record;

constexpr double kNow = 1'000'000'000;
constexpr double kThirtyDays = 2592000.0;
const char kMessage[] =
    "If you enjoy using Storm Distance, would you mind taking a moment to rate it? It won't take more than a "
    "minute. Thanks for your support!";
const std::string kReviewURL =
    std::string("itms-apps://") + build::kReviewHost +
    "/WebObjects/MZStore.woa/wa/viewContentsUserReviews?type=Purple+Software&id=" + std::to_string(build::kAppStoreId);

class RatingFlow : public ::testing::Test {
 protected:
  RatingFlow() { prompt = std::make_shared<RatingPrompt>(fake.rating("http://probe.test/")); }

  // The next use is the eleventh, thirty days after the first.
  void almostEligible() {
    fake.preferences->setValues({{kRatingPromptCurrentVersion, std::string("1.0")},
                                 {kRatingPromptFirstUseDate, kNow - kThirtyDays},
                                 {kRatingPromptUseCount, 10L}});
  }
  // A use, then whatever it sent to the main queue.
  void use(bool canPrompt = true) {
    prompt->incrementAndRate(canPrompt);
    fake.dispatch->runMain();
  }
  std::shared_ptr<fakes::FakeAlertView> lastAlert() {
    return fake.alerts->made.empty() ? nullptr : fake.alerts->made.back();
  }

  fakes::FakeServices fake{kNow};
  std::shared_ptr<RatingPrompt> prompt;
};

TEST_F(RatingFlow, WithoutPermissionCountsButNeverProbesOrAsks) {
  almostEligible();
  prompt->incrementAndRate(false);
  EXPECT_EQ(fake.preferences->integerForKey(kRatingPromptUseCount), 11);
  EXPECT_TRUE(fake.connections->requests.empty());
  EXPECT_EQ(fake.dispatch->pendingMain(), 0u);
}

TEST_F(RatingFlow, UnmetConditionsMakeNoProbe) {
  almostEligible();
  fake.preferences->setInteger(5, kRatingPromptUseCount);
  use();
  EXPECT_TRUE(fake.connections->requests.empty());
  EXPECT_TRUE(fake.alerts->made.empty());
}

TEST_F(RatingFlow, FailedProbeCountsWithoutDialog) {
  almostEligible();
  fake.reachability->flags = 0;
  use();
  EXPECT_EQ(fake.preferences->integerForKey(kRatingPromptUseCount), 11);
  EXPECT_EQ(fake.connections->requests.size(), 1u);
  EXPECT_TRUE(fake.alerts->made.empty());
}

TEST_F(RatingFlow, DialogIsShownFromTheMainQueueWithTheEnglishTexts) {
  almostEligible();
  prompt->incrementAndRate(true);
  EXPECT_TRUE(fake.alerts->made.empty()) << "not before the main queue runs";
  ASSERT_EQ(fake.dispatch->runMain(), 1);
  auto alert = lastAlert();
  ASSERT_TRUE(alert);
  EXPECT_TRUE(alert->visible);
  EXPECT_EQ(alert->title, "Rate Storm Distance");
  EXPECT_EQ(alert->message, kMessage);
  EXPECT_EQ(alert->buttons(), (std::vector<std::string>{"No, Thanks", "Rate Storm Distance", "Remind me later"}));
  EXPECT_EQ(prompt->ratingAlert(), alert);
}

TEST_F(RatingFlow, DialogTextsAreLookedUpAndFormatSequencesAreNotInterpreted) {
  fake.bundle->strings = {{"Rate %@", "%@ bewerten %s%n%d 100%%"},
                          {"No, Thanks", "Nein, danke %x"},
                          {"Remind me later", "Später erinnern"}};
  fake.bundle->info[kCFBundleNameKey] = "Sturm %n %@";
  prompt->showRatingAlert();
  auto alert = lastAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title, "Sturm %n %@ bewerten %s%n%d 100%");
  EXPECT_EQ(alert->message,
            "If you enjoy using Sturm %n %@, would you mind taking a moment to rate it? It won't "
            "take more than a minute. Thanks for your support!")
      << "no translation: the English key";
  EXPECT_EQ(alert->buttons(),
            (std::vector<std::string>{"Nein, danke %x", "Sturm %n %@ bewerten %s%n%d 100%", "Später erinnern"}));
}

TEST_F(RatingFlow, AMissingBundleNameReadsEmptyAndIsLoggedOnce) {
  fake.bundle->info.erase(kCFBundleNameKey);
  prompt->showRatingAlert();
  prompt->hideRatingAlert();
  prompt->showRatingAlert();
  ASSERT_EQ(fake.alerts->made.size(), 2u);
  EXPECT_EQ(fake.alerts->made[1]->title, "Rate ");
  EXPECT_EQ(fake.logger->lines, std::vector<std::string>{"The bundle has no name (CFBundleName); it shows as empty"});
}

struct FormatCase {
  const char* format;
  const char* argument;
  const char* expected;
};

class FormatWithArgument : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatWithArgument, ReplacesOnlyTheArgumentAndDoublePercent) {
  EXPECT_EQ(formatWithArgument(GetParam().format, GetParam().argument), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rating, FormatWithArgument,
                         ::testing::Values(FormatCase{"Rate %@", "App", "Rate App"},
                                           FormatCase{"%@ and %@", "A", "A and A"},
                                           FormatCase{"100%% sure", "A", "100% sure"}, FormatCase{"%%@", "A", "%@"},
                                           FormatCase{"%s %d %n %1$@ %", "A", "%s %d %n %1$@ %"},
                                           FormatCase{"%@", "%@ %s", "%@ %s"}, FormatCase{"", "A", ""}));

TEST_F(RatingFlow, NoSecondDialogWhileOneIsVisible) {
  almostEligible();
  prompt->incrementAndRate(true);
  prompt->incrementAndRate(true);
  EXPECT_EQ(fake.dispatch->runMain(), 2);
  EXPECT_EQ(fake.alerts->made.size(), 1u);
}

struct AnswerCase {
  const char* name;
  long index;
  Record written;
  std::vector<std::string> openedURLs;
};

void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }

class RatingAnswer : public RatingFlow, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(RatingAnswer, IsRecordedAndSaved) {
  const AnswerCase& c = GetParam();
  almostEligible();
  use();
  auto alert = lastAlert();
  ASSERT_TRUE(alert);
  Record expected = fake.preferences->values();
  for (auto& [key, value] : c.written) expected[key] = value;

  alert->press(c.index);
  EXPECT_EQ(fake.preferences->values(), expected);
  EXPECT_EQ(fake.preferences->saved(), expected);
  EXPECT_EQ(fake.urls->opened, c.openedURLs);
  EXPECT_EQ(prompt->ratingAlert(), alert) << "an answer leaves the dialog in place";
}

INSTANTIATE_TEST_SUITE_P(
    Rating, RatingAnswer,
    ::testing::Values(AnswerCase{"NoThanks", 0, {{kRatingPromptDeclinedToRate, true}}, {}},
                      AnswerCase{"Rate", 1, {{kRatingPromptRatedCurrentVersion, true}}, {kReviewURL}},
                      AnswerCase{"RemindMeLater", 2, {{kRatingPromptReminderRequestDate, kNow}}, {}},
                      AnswerCase{"Dismissed", -1, {}, {}}, AnswerCase{"UnknownButton", 3, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// Records what the saved record said when the store was opened.
class SaveCheckingOpener : public URLOpener {
 public:
  explicit SaveCheckingOpener(fakes::FakePreferences& store) : store_(store) {}
  bool openURL(const std::string&) override {
    auto saved = store_.saved();
    auto it = saved.find(kRatingPromptRatedCurrentVersion);
    ratedWhenOpened = it != saved.end() && std::get<bool>(it->second);
    return false;  // the store could not be opened: the answer stands anyway
  }
  bool ratedWhenOpened = false;

 private:
  fakes::FakePreferences& store_;
};

TEST_F(RatingFlow, RateIsSavedBeforeTheStoreOpens) {
  auto opener = std::make_shared<SaveCheckingOpener>(*fake.preferences);
  auto services = std::make_shared<RatingPrompt::Services>(*fake.rating("http://probe.test/"));
  services->urlOpener = opener;
  prompt = std::make_shared<RatingPrompt>(services);
  prompt->rateApp();
  EXPECT_TRUE(opener->ratedWhenOpened);
  EXPECT_TRUE(fake.preferences->boolForKey(kRatingPromptRatedCurrentVersion));
}

// Without a handler for the store's links the software centre's page opens instead, in one log
// line; when that fails too, the line says nothing opened.
TEST_F(RatingFlow, RateFallsBackToTheSoftwareCentre) {
  for (const bool centreOpens : {true, false}) {
    fake.urls->opened.clear();
    fake.logger->lines.clear();
    fake.urls->result = false;
    fake.urls->resultFor.clear();
    if (centreOpens) fake.urls->resultFor[softwareCentreURL()] = true;
    prompt->rateApp();
    EXPECT_EQ(fake.urls->opened, (std::vector<std::string>{kReviewURL, "appstream://org.stormdistance.StormDistance"}));
    ASSERT_EQ(fake.logger->lines.size(), 1u);
    EXPECT_NE(fake.logger->lines[0].find(centreOpens ? "opened appstream://" : "nothing opened"), std::string::npos)
        << fake.logger->lines[0];
  }
}

TEST_F(RatingFlow, AfterNoThanksTheVersionIsNeverAskedAgain) {
  almostEligible();
  use();
  lastAlert()->press(0);
  fake.clock->advance(400 * 86400.0);
  for (int i = 0; i < 5; ++i) use();
  EXPECT_EQ(fake.alerts->made.size(), 1u);
  EXPECT_EQ(fake.connections->requests.size(), 1u);
}

TEST_F(RatingFlow, RemindMeLaterAsksAgainADayLater) {
  almostEligible();
  use();
  lastAlert()->press(2);
  fake.clock->advance(86399);
  use();
  EXPECT_EQ(fake.alerts->made.size(), 1u);
  fake.clock->advance(1);
  use();
  ASSERT_EQ(fake.alerts->made.size(), 2u);
  EXPECT_TRUE(lastAlert()->visible);
}

TEST_F(RatingFlow, HidingDismissesWithoutAnswerAndTheNextUseAsksAgain) {
  almostEligible();
  use();
  auto alert = lastAlert();
  const Record before = fake.preferences->values();
  prompt->hideRatingAlert();
  EXPECT_EQ(alert->dismissals, (std::vector<std::pair<long, bool>>{{-1, false}}));
  EXPECT_FALSE(alert->visible);
  EXPECT_EQ(fake.preferences->values(), before);
  prompt->hideRatingAlert();
  EXPECT_EQ(alert->dismissals.size(), 1u) << "a hidden dialog is not dismissed again";
  use();
  ASSERT_EQ(fake.alerts->made.size(), 2u);
  EXPECT_TRUE(lastAlert()->visible);
}

// ---- the class entry points and the shared instance ----

// The shared instance lives for the whole process, so its services do too.
fakes::FakeServices& sharedFake() {
  static fakes::FakeServices fake(kNow);
  return fake;
}

TEST(RatingSharedInstance, EntryPointsQueueTheWorkAndReturnAtOnce) {
  auto& fake = sharedFake();
  RatingPrompt::setSharedServices(nullptr);
  RatingPrompt::appLaunched(true);
  EXPECT_EQ(RatingPrompt::sharedInstance(), nullptr) << "without services nothing is made";

  RatingPrompt::setSharedServices(fake.rating("http://probe.test/"));
  RatingPrompt::appLaunched(true);
  EXPECT_EQ(fake.dispatch->pendingLowPriority(), 1u) << "a launch is one use";
  EXPECT_TRUE(fake.preferences->values().empty()) << "nothing is counted before the queue runs";
  EXPECT_EQ(fake.dispatch->runLowPriority(), 1);
  EXPECT_EQ(fake.preferences->integerForKey(kRatingPromptUseCount), 1);
  const auto instance = RatingPrompt::sharedInstance();
  ASSERT_TRUE(instance);
  EXPECT_EQ(RatingPrompt::sharedInstance(), instance);

  RatingPrompt::appEnteredForeground(true);
  EXPECT_EQ(fake.dispatch->runLowPriority(), 1);
  EXPECT_EQ(fake.preferences->integerForKey(kRatingPromptUseCount), 2);

  RatingPrompt::userDidSignificantEvent(false);
  EXPECT_EQ(fake.dispatch->runLowPriority(), 1);
  EXPECT_EQ(fake.preferences->integerForKey(kRatingPromptSignificantEventCount), 1);

  // Resigning active with no dialog does nothing; with one, hides it.
  RatingPrompt::appWillResignActive();
  EXPECT_TRUE(fake.alerts->made.empty());
  fake.preferences->setInteger(10, kRatingPromptUseCount);
  fake.preferences->setDouble(kNow - kThirtyDays, kRatingPromptFirstUseDate);
  RatingPrompt::appEnteredForeground(true);
  fake.dispatch->runLowPriority();
  EXPECT_EQ(fake.dispatch->runMain(), 1);
  ASSERT_EQ(fake.alerts->made.size(), 1u);
  EXPECT_TRUE(fake.alerts->made[0]->visible);
  RatingPrompt::appWillResignActive();
  EXPECT_EQ(fake.alerts->made[0]->dismissals, (std::vector<std::pair<long, bool>>{{-1, false}}));
  EXPECT_EQ(fake.preferences->integerForKey(kRatingPromptUseCount), 11);
  EXPECT_FALSE(fake.preferences->boolForKey(kRatingPromptDeclinedToRate));

  RatingPrompt::setSharedServices(nullptr);
}

}  // namespace
}  // namespace storm
