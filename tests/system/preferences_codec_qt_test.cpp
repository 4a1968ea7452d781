#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <cfloat>
#include <climits>
#include <cstring>
#include <utility>
#include <variant>
#include <vector>

#include "support/PreferencesTestSupport.h"

// The preference store's text: exact round trips of every type, defaults, removed keys, other
// programs' lines, odd values and the spellings of a hand-edited file.

namespace storm::qt::test {
namespace {

using Value = std::variant<std::string, double, long, bool>;

struct RoundTrip {
  const char* name;
  Value value;
};

void PrintTo(const RoundTrip& c, std::ostream* os) { *os << c.name; }

class PreferencesRoundTrip : public PreferencesStore, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(PreferencesRoundTrip, ReadsBackExactlyFromTheFile) {
  const std::string key = "someKey";
  {
    auto store = open();
    std::visit(
        [&](const auto& v) {
          using T = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<T, std::string>)
            store->setObject(v, key);
          else if constexpr (std::is_same_v<T, double>)
            store->setDouble(v, key);
          else if constexpr (std::is_same_v<T, long>)
            store->setInteger(v, key);
          else
            store->setBool(v, key);
        },
        GetParam().value);
    ASSERT_TRUE(store->synchronize());
  }
  auto reread = open();
  std::visit(
      [&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>)
          EXPECT_EQ(reread->stringForKey(key), v);
        else if constexpr (std::is_same_v<T, double>) {
          const double back = reread->doubleForKey(key);
          EXPECT_EQ(std::memcmp(&back, &v, sizeof v), 0) << back << " != " << v;
        } else if constexpr (std::is_same_v<T, long>)
          EXPECT_EQ(reread->integerForKey(key), v);
        else
          EXPECT_EQ(reread->boolForKey(key), v);
      },
      GetParam().value);
  EXPECT_EQ(filesBeside(), QStringList{"storm-distance.ini"}) << "a file we wrote is never taken for damaged";
}

INSTANTIATE_TEST_SUITE_P(Values, PreferencesRoundTrip,
                         ::testing::Values(RoundTrip{"Tenth", 0.1}, RoundTrip{"DateWithFraction", 1702592000.123456},
                                           RoundTrip{"Subnormal", 4.9406564584124654e-324},
                                           RoundTrip{"Largest", DBL_MAX}, RoundTrip{"NegativeZero", -0.0},
                                           RoundTrip{"NegativeDate", -86400.5}, RoundTrip{"LongMin", LONG_MIN},
                                           RoundTrip{"LongMax", LONG_MAX}, RoundTrip{"Yes", true},
                                           RoundTrip{"No", false}, RoundTrip{"EmptyString", std::string()},
                                           RoundTrip{"Version", std::string("1.0")},
                                           RoundTrip{"Spaces", std::string("  padded  ")},
                                           RoundTrip{"ListLike", std::string("1.0, beta")},
                                           RoundTrip{"VariantLike", std::string("@Variant(x)")},
                                           RoundTrip{"Quotes", std::string("say \"hi\" \\ there")},
                                           RoundTrip{"IniSyntax", std::string("[General]\nk=v;#")},
                                           RoundTrip{"Unicode", std::string("Gewitter \xE2\x9A\xA1 \xC3\xBC")},
                                           RoundTrip{"TrueAsText", std::string("true")}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PreferencesStore, AbsentKeysReadAsDefaultsAndNothingIsWritten) {
  auto store = open();
  EXPECT_FALSE(store->containsKey(kRatingPromptUseCount));
  EXPECT_EQ(store->stringForKey(kRatingPromptCurrentVersion), std::nullopt);
  EXPECT_EQ(store->doubleForKey(kRatingPromptFirstUseDate), 0.0);
  EXPECT_EQ(store->integerForKey(kRatingPromptUseCount), 0);
  EXPECT_FALSE(store->boolForKey(kRatingPromptDeclinedToRate));
  EXPECT_TRUE(store->synchronize());
  EXPECT_FALSE(QFile::exists(path));
}

TEST_F(PreferencesStore, RemovedKeysLeaveTheFileAndOtherProgramsKeysStay) {
  writeFile("[General]\nkRatingPromptUseCount=4\nsomeoneElse=kept\n");
  {
    auto store = open();
    EXPECT_EQ(store->integerForKey(kRatingPromptUseCount), 4);
    store->setObject(std::nullopt, kRatingPromptUseCount);
    store->setObject("2.0", kRatingPromptCurrentVersion);
    EXPECT_TRUE(store->synchronize());
  }
  auto reread = open();
  EXPECT_FALSE(reread->containsKey(kRatingPromptUseCount));
  EXPECT_EQ(reread->stringForKey(kRatingPromptCurrentVersion), "2.0");
  EXPECT_EQ(reread->stringForKey("someoneElse"), "kept");
}

// The file is QSettings' INI both ways: what the store writes QSettings reads as the same strings,
// and what QSettings writes the store reads; keys and values that need escaping included.
TEST_F(PreferencesStore, WritesAndReadsTheFormatQSettingsDoes) {
  const std::vector<std::pair<std::string, std::string>> entries{
      {"plain", "1.0"},
      {"Gewitter \xE2\x9A\xA1 key", "value \xC3\xBC"},
      {"cloud\xF0\x9F\x8C\xA9", "\xF0\x9F\x8C\xA9 storm"},
      {"elsewhere/inner key", "  padded  "},
      {"quote", "say \"hi\" \\ there"},
      {"list", "1.0, beta"},
      {"typed", "@Variant(x)"},
      {"control", std::string("a\tb\x01" "c\n", 6)},
      {"comment", "a;b=c"}};
  {
    auto store = open();
    for (const auto& [key, value] : entries) store->setObject(value, key);
    ASSERT_TRUE(store->synchronize());
  }
  {
    QSettings settings(path, QSettings::IniFormat);
    for (const auto& [key, value] : entries)
      EXPECT_EQ(settings.value(QString::fromStdString(key)).toString().toStdString(), value) << key;
  }
  const QString written = dir.path() + "/storm-distance/by-qsettings.ini";
  {
    QSettings settings(written, QSettings::IniFormat);
    for (const auto& [key, value] : entries) settings.setValue(QString::fromStdString(key), QString::fromStdString(value));
  }
  QtPreferences reread(written, {}, clock);
  for (const auto& [key, value] : entries) EXPECT_EQ(reread.stringForKey(key), value) << key;
}

struct OddValue {
  const char* name;
  const char* key;
  const char* text;
};

void PrintTo(const OddValue& c, std::ostream* os) { *os << c.name; }

class OddValues : public PreferencesStore, public ::testing::WithParamInterface<OddValue> {};

// A user who declined keeps that answer when another key of the record is odd.
TEST_P(OddValues, ReadAsUnsetAndReportedWhileTheRestOfTheRecordStands) {
  const std::vector<std::pair<std::string, std::string>> record{{kRatingPromptCurrentVersion, "1.0"},
                                                                {kRatingPromptFirstUseDate, "1699999000.5"},
                                                                {kRatingPromptUseCount, "7"},
                                                                {kRatingPromptDeclinedToRate, "true"}};
  const std::string oddLine = std::string(GetParam().key) + "=" + GetParam().text;
  QByteArray content = "[General]\n";
  for (const auto& [key, text] : record)
    content += QByteArray::fromStdString(key == GetParam().key ? oddLine : key + "=" + text) + "\n";
  writeFile(content);

  auto store = open();
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(store->containsKey(GetParam().key));
  const std::string err = ::testing::internal::GetCapturedStderr();
  for (const auto& [key, text] : record) {
    if (key == GetParam().key) continue;
    EXPECT_EQ(store->stringForKey(key), text) << key;
  }
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_NE(err.find(GetParam().key), std::string::npos) << err;
  EXPECT_EQ(filesBeside(), QStringList{"storm-distance.ini"});

  // A save of another key leaves the odd line for the user to see.
  store->setDouble(kEpoch, kRatingPromptReminderRequestDate);
  ASSERT_TRUE(store->synchronize());
  EXPECT_TRUE(readFile(path).contains(QByteArray::fromStdString(oddLine + "\n"))) << readFile(path).toStdString();
  EXPECT_EQ(open()->boolForKey(kRatingPromptDeclinedToRate),
            std::string(GetParam().key) != kRatingPromptDeclinedToRate);
}

INSTANTIATE_TEST_SUITE_P(Keys, OddValues,
                         ::testing::Values(OddValue{"CountNotAnInteger", kRatingPromptUseCount, "abc"},
                                           OddValue{"CountWithFraction", kRatingPromptUseCount, "12.5"},
                                           OddValue{"CountOutOfRange", kRatingPromptUseCount,
                                                    "99999999999999999999999"},
                                           OddValue{"FlagNotABoolean", kRatingPromptDeclinedToRate, "maybe"},
                                           OddValue{"DateNotANumber", kRatingPromptFirstUseDate, "nan"},
                                           OddValue{"DateOverflows", kRatingPromptFirstUseDate, "1e999"},
                                           OddValue{"VersionIsAList", kRatingPromptCurrentVersion, "1.0, beta"}),
                         [](const auto& info) { return std::string(info.param.name); });

// What a person editing the file by hand plausibly writes reads as meant, without a word.
TEST_F(PreferencesStore, ReadsTheSpellingsOfAHandEditedFile) {
  writeFile(
      "[General]\r\nkRatingPromptDeclinedToRate = 1\r\nkRatingPromptRatedCurrentVersion=0\r\n"
      "kRatingPromptUseCount=11.0\r\nkRatingPromptSignificantEventCount=3");
  auto store = open();
  ::testing::internal::CaptureStderr();
  EXPECT_TRUE(store->boolForKey(kRatingPromptDeclinedToRate));
  EXPECT_TRUE(store->containsKey(kRatingPromptRatedCurrentVersion));
  EXPECT_FALSE(store->boolForKey(kRatingPromptRatedCurrentVersion));
  EXPECT_EQ(store->integerForKey(kRatingPromptUseCount), 11);
  EXPECT_EQ(store->integerForKey(kRatingPromptSignificantEventCount), 3) << "a last line without its line feed";
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(filesBeside(), QStringList{"storm-distance.ini"});
}

TEST_F(PreferencesStore, AcceptsEmptyAndForeignButWellFormedFiles) {
  for (const QByteArray& content : {QByteArray(), QByteArray("[General]\nfontSize=large\n\n[Other]\nx=1\n")}) {
    writeFile(content);
    auto store = open();
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(store->containsKey(kRatingPromptUseCount));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(filesBeside(), QStringList{"storm-distance.ini"});
  }
}

}  // namespace
}  // namespace storm::qt::test
