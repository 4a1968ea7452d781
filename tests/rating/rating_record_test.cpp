#include <gtest/gtest.h>

#include <limits>
#include <optional>

#include "support/FakeServices.h"
#include "rating/RatingPrompt.h"

// The usage record: how each counting operation moves it from one state to the next.

namespace storm {
namespace {

using fakes::FakePreferences;
using Record = FakePreferences::Record;

constexpr double kNow = 1'000'000'000;

enum class Op { Use, Event };

struct RecordCase {
  const char* name;
  Record before;
  std::optional<std::string> bundleVersion;
  std::vector<Op> ops;
  Record after;
};

void PrintTo(const RecordCase& c, std::ostream* os) { *os << c.name; }

const Record kDeclinedOldVersion{{kRatingPromptCurrentVersion, std::string("0.9")},
                                 {kRatingPromptFirstUseDate, 5000.0},
                                 {kRatingPromptUseCount, 40L},
                                 {kRatingPromptSignificantEventCount, 3L},
                                 {kRatingPromptRatedCurrentVersion, true},
                                 {kRatingPromptDeclinedToRate, true},
                                 {kRatingPromptReminderRequestDate, 7000.0}};

Record resetRecord(std::optional<std::string> version, double firstUse, long uses, long events) {
  Record r{{kRatingPromptFirstUseDate, firstUse},        {kRatingPromptUseCount, uses},
           {kRatingPromptSignificantEventCount, events}, {kRatingPromptRatedCurrentVersion, false},
           {kRatingPromptDeclinedToRate, false},         {kRatingPromptReminderRequestDate, 0.0}};
  if (version) r[kRatingPromptCurrentVersion] = *version;
  return r;
}

const RecordCase kRecordCases[] = {
    {"FirstUseOfEmptyRecord",
     {},
     "1.0",
     {Op::Use},
     {{kRatingPromptCurrentVersion, std::string("1.0")},
      {kRatingPromptFirstUseDate, kNow},
      {kRatingPromptUseCount, 1L}}},
    {"FirstEventOfEmptyRecord",
     {},
     "1.0",
     {Op::Event},
     {{kRatingPromptCurrentVersion, std::string("1.0")},
      {kRatingPromptFirstUseDate, kNow},
      {kRatingPromptSignificantEventCount, 1L}}},
    {"SecondUseKeepsFirstUseDate",
     {{kRatingPromptCurrentVersion, std::string("1.0")},
      {kRatingPromptFirstUseDate, kNow - 500},
      {kRatingPromptUseCount, 1L}},
     "1.0",
     {Op::Use},
     {{kRatingPromptCurrentVersion, std::string("1.0")},
      {kRatingPromptFirstUseDate, kNow - 500},
      {kRatingPromptUseCount, 2L}}},
    {"FirstUseDateInTheFutureIsKept",
     {{kRatingPromptCurrentVersion, std::string("1.0")},
      {kRatingPromptFirstUseDate, kNow + 9000},
      {kRatingPromptUseCount, 5L}},
     "1.0",
     {Op::Use},
     {{kRatingPromptCurrentVersion, std::string("1.0")},
      {kRatingPromptFirstUseDate, kNow + 9000},
      {kRatingPromptUseCount, 6L}}},
    {"UnsetFirstUseDateIsFilledIn",
     {{kRatingPromptCurrentVersion, std::string("1.0")}, {kRatingPromptFirstUseDate, 0.0}, {kRatingPromptUseCount, 3L}},
     "1.0",
     {Op::Use},
     {{kRatingPromptCurrentVersion, std::string("1.0")},
      {kRatingPromptFirstUseDate, kNow},
      {kRatingPromptUseCount, 4L}}},
    {"RecordWithoutVersionIsAdopted",
     {{kRatingPromptFirstUseDate, kNow - 100}, {kRatingPromptUseCount, 7L}, {kRatingPromptDeclinedToRate, true}},
     "1.0",
     {Op::Use},
     {{kRatingPromptCurrentVersion, std::string("1.0")},
      {kRatingPromptFirstUseDate, kNow - 100},
      {kRatingPromptUseCount, 8L},
      {kRatingPromptDeclinedToRate, true}}},
    {"UseOfNewVersionClearsTheAnswers", kDeclinedOldVersion, "1.0", {Op::Use}, resetRecord("1.0", kNow, 1, 0)},
    {"EventOfNewVersionLeavesFirstUseUnset", kDeclinedOldVersion, "1.0", {Op::Event}, resetRecord("1.0", 0.0, 0, 1)},
    {"UseAfterEventResetStartsTheClock",
     kDeclinedOldVersion,
     "1.0",
     {Op::Event, Op::Use},
     resetRecord("1.0", kNow, 1, 1)},
    {"OlderVersionResetsLikeAnUpdate", kDeclinedOldVersion, "0.8", {Op::Use}, resetRecord("0.8", kNow, 1, 0)},
    {"VersionsAreComparedAsExactStrings",
     {{kRatingPromptCurrentVersion, std::string("1.0")},
      {kRatingPromptFirstUseDate, 5.0},
      {kRatingPromptUseCount, 20L}},
     "1.0.0",
     {Op::Use},
     resetRecord("1.0.0", kNow, 1, 0)},
    {"WithoutBundleVersionEveryUseResets",
     {},
     std::nullopt,
     {Op::Use, Op::Use, Op::Use},
     resetRecord(std::nullopt, kNow, 1, 0)},
    {"CountAtTheTopOfTheRangeStaysThere",
     {{kRatingPromptCurrentVersion, std::string("1.0")},
      {kRatingPromptFirstUseDate, 5.0},
      {kRatingPromptUseCount, std::numeric_limits<long>::max()}},
     "1.0",
     {Op::Use},
     {{kRatingPromptCurrentVersion, std::string("1.0")},
      {kRatingPromptFirstUseDate, 5.0},
      {kRatingPromptUseCount, std::numeric_limits<long>::max()}}},
};

class RecordTransition : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RecordTransition, LeavesTheExpectedRecordSaved) {
  const RecordCase& c = GetParam();
  fakes::FakeServices fake(kNow);
  if (c.bundleVersion)
    fake.bundle->info[kCFBundleVersionKey] = *c.bundleVersion;
  else
    fake.bundle->info.erase(kCFBundleVersionKey);
  fake.preferences->setValues(c.before);
  auto prompt = std::make_shared<RatingPrompt>(fake.rating());
  for (Op op : c.ops) {
    if (op == Op::Use)
      prompt->incrementUseCount();
    else
      prompt->incrementSignificantEventCount();
  }
  EXPECT_EQ(fake.preferences->values(), c.after);
  // Every change reached the store's save before the operation returned.
  EXPECT_EQ(fake.preferences->saved(), c.after);
  EXPECT_EQ(fake.preferences->synchronizeCount(), static_cast<int>(c.ops.size()));
  // A missing version is said once, however often the record starts over for it.
  const std::vector<std::string> said{
      "The bundle has no version (CFBundleVersion); the rating record starts over at every use"};
  EXPECT_EQ(fake.logger->lines, c.bundleVersion ? std::vector<std::string>{} : said);
}

INSTANTIATE_TEST_SUITE_P(Rating, RecordTransition, ::testing::ValuesIn(kRecordCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace storm
