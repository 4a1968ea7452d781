#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cfloat>
#include <climits>
#include <random>
#include <thread>
#include <variant>

#include "platform/ManualClock.h"
#include "platform/qt/QtPreferences.h"
#include "rating/RatingPrompt.h"

// The INI preference store: exact round trips, defaults, damaged files, threads and crashes.

namespace storm::qt {
namespace {

constexpr double kEpoch = 1'700'000'000;  // 2023-11-14 22:13:20 UTC

class PreferencesStore : public ::testing::Test {
 protected:
  std::unique_ptr<QtPreferences> open() {
    return std::make_unique<QtPreferences>(path, RatingPrompt::preferenceKeys(), clock);
  }
  void writeFile(const QByteArray& bytes) {
    QDir().mkpath(dir.path() + "/storm-distance");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
  }
  QByteArray readFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  QStringList filesBeside() { return QDir(dir.path() + "/storm-distance").entryList(QDir::Files, QDir::Name); }

  QTemporaryDir dir;
  QString path = dir.path() + "/storm-distance/storm-distance.ini";
  std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(kEpoch);
};

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
          if constexpr (std::is_same_v<T, std::string>) store->setObject(v, key);
          else if constexpr (std::is_same_v<T, double>) store->setDouble(v, key);
          else if constexpr (std::is_same_v<T, long>) store->setInteger(v, key);
          else store->setBool(v, key);
        },
        GetParam().value);
    ASSERT_TRUE(store->synchronize());
  }
  auto reread = open();
  std::visit(
      [&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>) EXPECT_EQ(reread->stringForKey(key), v);
        else if constexpr (std::is_same_v<T, double>) {
          const double back = reread->doubleForKey(key);
          EXPECT_EQ(std::memcmp(&back, &v, sizeof v), 0) << back << " != " << v;
        } else if constexpr (std::is_same_v<T, long>) EXPECT_EQ(reread->integerForKey(key), v);
        else EXPECT_EQ(reread->boolForKey(key), v);
      },
      GetParam().value);
  EXPECT_EQ(filesBeside(), QStringList{"storm-distance.ini"}) << "a file we wrote is never taken for damaged";
}

INSTANTIATE_TEST_SUITE_P(
    Values, PreferencesRoundTrip,
    ::testing::Values(RoundTrip{"Tenth", 0.1}, RoundTrip{"DateWithFraction", 1702592000.123456},
                      RoundTrip{"Subnormal", 4.9406564584124654e-324}, RoundTrip{"Largest", DBL_MAX},
                      RoundTrip{"NegativeZero", -0.0}, RoundTrip{"NegativeDate", -86400.5},
                      RoundTrip{"LongMin", LONG_MIN}, RoundTrip{"LongMax", LONG_MAX}, RoundTrip{"Yes", true},
                      RoundTrip{"No", false}, RoundTrip{"EmptyString", std::string()},
                      RoundTrip{"Version", std::string("1.0")}, RoundTrip{"Spaces", std::string("  padded  ")},
                      RoundTrip{"ListLike", std::string("1.0, beta")}, RoundTrip{"VariantLike", std::string("@Variant(x)")},
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

struct Damage {
  const char* name;
  QByteArray content;
};

void PrintTo(const Damage& c, std::ostream* os) { *os << c.name; }

class DamagedPreferences : public PreferencesStore, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedPreferences, AreMovedAsideReportedAndReplacedByAFreshRecord) {
  writeFile(GetParam().content);
  auto store = open();
  ::testing::internal::CaptureStderr();
  const long uses = store->integerForKey(kRatingPromptUseCount);
  const std::string err = ::testing::internal::GetCapturedStderr();

  EXPECT_EQ(uses, 0);
  EXPECT_FALSE(store->containsKey(kRatingPromptCurrentVersion));
  const QString aside = path + ".damaged-20231114T221320Z";
  EXPECT_EQ(filesBeside(), QStringList{"storm-distance.ini.damaged-20231114T221320Z"});
  EXPECT_EQ(readFile(aside), GetParam().content) << "the damaged file is kept as it was";
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_NE(err.find("damaged"), std::string::npos) << err;
  EXPECT_NE(err.find(aside.toStdString()), std::string::npos) << err;

  store->setInteger(1, kRatingPromptUseCount);
  ASSERT_TRUE(store->synchronize());
  EXPECT_EQ(open()->integerForKey(kRatingPromptUseCount), 1);
  EXPECT_EQ(readFile(aside), GetParam().content);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedPreferences,
    ::testing::Values(Damage{"Binary", QByteArray("\x7f" "ELF\x02\x01\x00\x00garbage\n", 16)},
                      Damage{"NotUtf8", "[General]\nkRatingPromptCurrentVersion=\xff\xfe\n"},
                      Damage{"CutOffMidLine", "[General]\nkRatingPromptCurrentVersion=1.0\nkRatingPromptUseC"},
                      Damage{"CutOffMidValue", "[General]\nkRatingPromptUseCount=1"},
                      Damage{"UnclosedSection", "[General\nkRatingPromptUseCount=3\n"},
                      Damage{"CountNotAnInteger", "[General]\nkRatingPromptUseCount=abc\n"},
                      Damage{"CountWithFraction", "[General]\nkRatingPromptUseCount=12.5\n"},
                      Damage{"CountOutOfRange", "[General]\nkRatingPromptUseCount=99999999999999999999999\n"},
                      Damage{"FlagNotABoolean", "[General]\nkRatingPromptDeclinedToRate=maybe\n"},
                      Damage{"DateNotANumber", "[General]\nkRatingPromptFirstUseDate=nan\n"},
                      Damage{"DateOverflows", "[General]\nkRatingPromptReminderRequestDate=1e999\n"},
                      Damage{"VersionIsAList", "[General]\nkRatingPromptCurrentVersion=1.0, beta\n"}),
    [](const auto& info) { return std::string(info.param.name); });

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

TEST_F(PreferencesStore, TwoDamagedFilesInOneSecondAreBothKept) {
  for (const char* garbage : {"first\x01", "second\x01"}) {
    writeFile(garbage);
    ::testing::internal::CaptureStderr();
    open()->integerForKey(kRatingPromptUseCount);
    ::testing::internal::GetCapturedStderr();
  }
  EXPECT_EQ(filesBeside(), (QStringList{"storm-distance.ini.damaged-20231114T221320Z",
                                        "storm-distance.ini.damaged-20231114T221320Z-2"}));
  EXPECT_EQ(readFile(path + ".damaged-20231114T221320Z"), "first\x01");
}

// Readers and writers on several threads; under the thread sanitizer this also checks the locking.
TEST_F(PreferencesStore, ConcurrentWritersAndSavesKeepEveryLastValue) {
  auto store = open();
  constexpr int kThreads = 4;
  constexpr long kWrites = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const std::string key = "counter" + std::to_string(t);
      for (long i = 1; i <= kWrites; ++i) {
        store->setInteger(store->integerForKey(key) + 1, key);
        if (i % 50 == 0) store->synchronize();
      }
    });
  }
  for (auto& thread : threads) thread.join();
  auto reread = open();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(reread->integerForKey("counter" + std::to_string(t)), kWrites);
}

// A writer killed at random moments while it saves, a hundred times: each time the record on disk
// loads as a state the counting produces, never a torn or damaged one.
TEST_F(PreferencesStore, SurvivesBeingKilledWhileSaving) {
  std::mt19937 random(20231114);
  long lastSaved = 0;
  for (int run = 0; run < 100; ++run) {
    QProcess writer;
    writer.start(STORM_RECORD_WRITER, {path, QString::number(kEpoch, 'f', 0)});
    ASSERT_TRUE(writer.waitForStarted(10000));
    const int savesBeforeKill = std::uniform_int_distribution<int>(1, 3)(random);
    long printed = lastSaved;
    for (int saves = 0; saves < savesBeforeKill;) {
      if (!writer.canReadLine() && !writer.waitForReadyRead(20000)) break;
      while (writer.canReadLine()) {
        printed = writer.readLine().trimmed().toLong();
        ++saves;
      }
    }
    writer.kill();  // SIGKILL, most likely in the middle of the next save
    writer.waitForFinished(10000);
    while (writer.canReadLine()) printed = writer.readLine().trimmed().toLong();
    ASSERT_GT(printed, lastSaved) << "run " << run << ": " << writer.readAllStandardError().toStdString();

    auto store = open();
    const long uses = store->integerForKey(kRatingPromptUseCount);
    // The save under way when the kill came either landed or did not.
    EXPECT_TRUE(uses == printed || uses == printed + 1) << "run " << run << ": " << uses << " after " << printed;
    EXPECT_EQ(store->stringForKey(kRatingPromptCurrentVersion), "1.0") << "run " << run;
    EXPECT_EQ(store->doubleForKey(kRatingPromptFirstUseDate), kEpoch) << "run " << run;
    EXPECT_EQ(store->stringForKey("padding").value_or("").size(), 256u * 1024) << "run " << run;
    ASSERT_TRUE(QFile::exists(path)) << "run " << run << ": the record was taken for damaged";
    lastSaved = uses;
  }
}

}  // namespace
}  // namespace storm::qt
