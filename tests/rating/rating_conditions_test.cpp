#include <gtest/gtest.h>

#include <cstring>

#include "support/FakeServices.h"
#include "rating/RatingPrompt.h"

// When the user may be asked, and whether the device seems online.

namespace storm {
namespace {

using Record = fakes::FakePreferences::Record;

constexpr double kNow = 1'000'000'000;
constexpr double kThirtyDays = 2592000.0;

// The keys in the order the conditions read them; a failing test stops the reading.
const std::vector<std::string> kConditionReads{kRatingPromptFirstUseDate,          kRatingPromptUseCount,
                                               kRatingPromptSignificantEventCount, kRatingPromptDeclinedToRate,
                                               kRatingPromptRatedCurrentVersion,   kRatingPromptReminderRequestDate};

struct ConditionCase {
  const char* name;
  Record record;
  bool met;
  size_t keysRead;
};

void PrintTo(const ConditionCase& c, std::ostream* os) { *os << c.name; }

Record eligible(Record extra = {}) {
  Record r{{kRatingPromptFirstUseDate, kNow - kThirtyDays}, {kRatingPromptUseCount, 11L}};
  for (auto& [key, value] : extra) r[key] = value;
  return r;
}

const ConditionCase kConditionCases[] = {
    {"ThirtyDaysAndElevenUses", eligible(), true, 6},
    {"OneSecondShortOfThirtyDays", eligible({{kRatingPromptFirstUseDate, kNow - kThirtyDays + 1}}), false, 1},
    {"OneMillisecondShortOfThirtyDays", eligible({{kRatingPromptFirstUseDate, kNow - kThirtyDays + 0.001}}), false, 1},
    {"TenUses", eligible({{kRatingPromptUseCount, 10L}, {kRatingPromptFirstUseDate, kNow - 4 * kThirtyDays}}), false,
     2},
    {"FirstUseUnsetPassesTheTimeTest", eligible({{kRatingPromptFirstUseDate, 0.0}}), true, 6},
    {"FirstUseUnsetStillNeedsTheUses", {{kRatingPromptFirstUseDate, 0.0}}, false, 2},
    {"ClockSetBackBeforeFirstUse", eligible({{kRatingPromptFirstUseDate, kNow + 10}}), false, 1},
    {"NegativeSignificantEventCount", eligible({{kRatingPromptSignificantEventCount, -1L}}), false, 3},
    {"Declined", eligible({{kRatingPromptDeclinedToRate, true}}), false, 4},
    {"Rated", eligible({{kRatingPromptRatedCurrentVersion, true}}), false, 5},
    {"DeclinedAndRatedWithHighCounts",
     eligible({{kRatingPromptUseCount, 5000L},
               {kRatingPromptDeclinedToRate, true},
               {kRatingPromptRatedCurrentVersion, true}}),
     false, 4},
    {"ReminderNeverAsked", eligible({{kRatingPromptReminderRequestDate, 0.0}}), true, 6},
    {"ReminderExactlyADayAgo", eligible({{kRatingPromptReminderRequestDate, kNow - 86400}}), true, 6},
    {"ReminderOneSecondShortOfADay", eligible({{kRatingPromptReminderRequestDate, kNow - 86399}}), false, 6},
    {"EmptyRecord", {}, false, 2},
};

class RatingConditions : public ::testing::TestWithParam<ConditionCase> {};

TEST_P(RatingConditions, AnswerAndStopAtTheFirstFailingTest) {
  const ConditionCase& c = GetParam();
  fakes::FakeServices fake(kNow);
  fake.preferences->setValues(c.record);
  auto prompt = std::make_shared<RatingPrompt>(fake.rating());
  EXPECT_EQ(prompt->ratingConditionsHaveBeenMet(), c.met);
  const std::vector<std::string> expectedReads(kConditionReads.begin(), kConditionReads.begin() + c.keysRead);
  EXPECT_EQ(fake.preferences->reads(), expectedReads);
  EXPECT_EQ(fake.preferences->values(), c.record) << "the conditions change nothing";
}

INSTANTIATE_TEST_SUITE_P(Rating, RatingConditions, ::testing::ValuesIn(kConditionCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- reachability and the probe ----

struct ProbeCase {
  const char* name;
  ReachabilityFlags flags;
  bool createFails;
  bool queryFails;
  bool connectionCreated;
  bool connected;
  std::vector<std::string> events;
};

void PrintTo(const ProbeCase& c, std::ostream* os) { *os << c.name; }

const std::vector<std::string> kFullProbe{"create", "getFlags", "release", "connect"};

const ProbeCase kProbeCases[] = {
    {"ReachableAlone", 2, false, false, true, true, kFullProbe},
    {"ReachableButConnectionRequired", 6, false, false, true, false, kFullProbe},
    {"TransientAlone", 1, false, false, true, true, kFullProbe},
    {"TransientWithConnectionRequired", 5, false, false, true, true, kFullProbe},
    {"AllThreeFlags", 7, false, false, true, true, kFullProbe},
    {"OtherBitsIgnored", 2 | 8 | 0x10000, false, false, true, true, kFullProbe},
    {"NoFlagsStillSendsTheProbe", 0, false, false, true, false, kFullProbe},
    {"ConnectionNotCreated", 2, false, false, false, false, kFullProbe},
    {"QueryFails", 2, false, true, true, false, {"create", "getFlags", "release"}},
    {"TargetNotCreated", 2, true, false, true, false, {"create"}},
};

class NetworkProbe : public ::testing::TestWithParam<ProbeCase> {};

TEST_P(NetworkProbe, ReadsFlagsReleasesProbesThenDecides) {
  const ProbeCase& c = GetParam();
  fakes::FakeServices fake(kNow);
  fake.reachability->flags = c.flags;
  fake.reachability->createFails = c.createFails;
  fake.reachability->queryFails = c.queryFails;
  fake.connections->result = c.connectionCreated;
  auto prompt = std::make_shared<RatingPrompt>(fake.rating("http://probe.test/"));

  EXPECT_EQ(prompt->connectedToNetwork(), c.connected);
  EXPECT_EQ(fake.log.events(), c.events);

  const bool failedQuery = c.createFails || c.queryFails;
  EXPECT_EQ(fake.logger->lines, failedQuery
                                    ? std::vector<std::string>{"Error. Could not recover network reachability flags"}
                                    : std::vector<std::string>{});
  if (!failedQuery) {
    ASSERT_EQ(fake.connections->requests.size(), 1u);
    const URLRequest& request = fake.connections->requests[0];
    EXPECT_EQ(request.url, "http://probe.test/");
    EXPECT_EQ(request.cachePolicy, URLRequestCachePolicy::ReloadIgnoringLocalCacheData);
    EXPECT_EQ(request.timeoutInterval, 20.0);
  }
}

INSTANTIATE_TEST_SUITE_P(Rating, NetworkProbe, ::testing::ValuesIn(kProbeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NetworkProbeTarget, IsTheZeroIPv4Address) {
  fakes::FakeServices fake(kNow);
  auto prompt = std::make_shared<RatingPrompt>(fake.rating());
  prompt->connectedToNetwork();
  ASSERT_EQ(fake.reachability->addresses.size(), 1u);
  unsigned char bytes[16];
  std::memcpy(bytes, &fake.reachability->addresses[0], sizeof bytes);
  const unsigned char expected[16] = {16, 2};
  EXPECT_EQ(0, std::memcmp(bytes, expected, sizeof bytes));
}

}  // namespace
}  // namespace storm
