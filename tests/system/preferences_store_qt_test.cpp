#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cfloat>
#include <climits>
#include <cstring>
#include <random>
#include <thread>
#include <variant>

#include "system/ManualClock.h"
#include "system/qt/QtPreferences.h"
#include "rating/RatingPrompt.h"

// The INI preference store: exact round trips, defaults, damaged files and odd values, threads,
// crashes, a full disk, things that are not files, and other processes sharing the record.

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

  // The record writer (another process) run on the record with `arguments`, killed if it has not
  // ended within 30 s.
  struct Run {
    bool finished = false;
    int exitCode = -1;
    QString err;
  };
  Run runWriter(const QStringList& arguments) {
    QProcess writer;
    writer.start(STORM_RECORD_WRITER, QStringList{path, QString::number(kEpoch, 'f', 0)} + arguments);
    Run run;
    if (!writer.waitForStarted(10000)) return run;
    run.finished = writer.waitForFinished(30000);
    if (!run.finished) {
      writer.kill();
      writer.waitForFinished(5000);
    }
    run.exitCode = writer.exitCode();
    run.err = QString::fromUtf8(writer.readAllStandardError());
    return run;
  }

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

INSTANTIATE_TEST_SUITE_P(Files, DamagedPreferences,
                         ::testing::Values(Damage{"Binary", QByteArray("\x7f"
                                                                       "ELF\x02\x01\x00\x00garbage\n",
                                                                       16)},
                                           Damage{"NotUtf8", "[General]\nkRatingPromptCurrentVersion=\xff\xfe\n"},
                                           Damage{"CutOffMidLine",
                                                  "[General]\nkRatingPromptCurrentVersion=1.0\nkRatingPromptUseC"},
                                           Damage{"UnclosedSection", "[General\nkRatingPromptUseCount=3\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

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

// With one free block left on the disk, a save cannot write the new record: it says so, reports
// the failure, and the record that was there stays whole.
TEST_F(PreferencesStore, AFullDiskLeavesThePreviousRecordInPlace) {
  const QString folder = dir.path() + "/storm-distance";
  ASSERT_TRUE(QDir().mkpath(folder));
  const QByteArray mountPoint = QFile::encodeName(folder);
  if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "cannot mount a 64 KiB tmpfs on " << folder.toStdString() << " (" << std::strerror(errno)
                 << "); this test needs to run as root";
  struct Unmount {
    QByteArray at;
    ~Unmount() {
      if (::umount2(at.constData(), 0) != 0) ::umount2(at.constData(), MNT_DETACH);
    }
  } unmount{mountPoint};
  {
    auto store = open();
    store->setObject(std::string(10000, 'x'), "padding");  // three blocks
    store->setInteger(7, kRatingPromptUseCount);
    store->setBool(true, kRatingPromptDeclinedToRate);
    ASSERT_TRUE(store->synchronize());
  }
  const QByteArray before = readFile(path);
  {
    const int filler = ::open(QFile::encodeName(folder + "/filler").constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(filler, 0);
    const std::string block(4096, 'f');
    off_t size = 0;
    for (ssize_t n; (n = ::write(filler, block.data(), block.size())) > 0;) size += n;
    ASSERT_EQ(errno, ENOSPC);
    ASSERT_EQ(::ftruncate(filler, (size / 4096 - 1) * 4096), 0);  // one block free again
    ::close(filler);
  }

  auto store = open();
  store->setInteger(8, kRatingPromptUseCount);
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(store->synchronize());
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(readFile(path), before);
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_NE(err.find("cannot save"), std::string::npos) << err;
  EXPECT_EQ(filesBeside(), (QStringList{"filler", "storm-distance.ini"})) << "the unfinished new file is gone";
}

// A lock that never frees (held by another process, or a directory where the lock file goes):
// the save gives up after a bounded wait, says so in one line and leaves the record as it was.
TEST_F(PreferencesStore, ASaveGivesUpOnALockThatNeverFrees) {
  writeFile("[General]\nkRatingPromptCurrentVersion=1.0\nkRatingPromptUseCount=4\n");
  const QByteArray before = readFile(path);
  const QByteArray lockPath = QFile::encodeName(path + ".lock");
  for (const bool directory : {false, true}) {
    SCOPED_TRACE(directory ? "a directory" : "held by another process");
    int holder = -1;
    if (directory) {
      ASSERT_EQ(::mkdir(lockPath.constData(), 0755), 0);
    } else {
      holder = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
      ASSERT_GE(holder, 0);
      ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    }
    const Run run = runWriter({"count", "1"});
    if (holder >= 0) {
      ::unlink(lockPath.constData());
      ::close(holder);
    }
    ASSERT_TRUE(run.finished) << "the save waited without end";
    EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("cannot save")) << run.err.toStdString();
    EXPECT_EQ(readFile(path), before);
  }
}

// Only a regular file of at most 1 MiB is read. Anything else where the record belongs (a FIFO
// that would block, a device that never ends, a file too large) is reported in one line and left
// as it is, never replaced.
TEST_F(PreferencesStore, WhatIsNotASmallRegularFileIsLeftAlone) {
  const QByteArray file = QFile::encodeName(path);
  const QByteArray large = "[General]\npadding=" + QByteArray(1 << 20, 'x') + "\n";
  struct Case {
    const char* name;
    std::function<void()> make;
    mode_t type;
  };
  const Case cases[] = {
      {"FIFO", [&] { ASSERT_EQ(::mkfifo(file.constData(), 0644), 0); }, S_IFIFO},
      {"device", [&] { ASSERT_EQ(::symlink("/dev/zero", file.constData()), 0); }, S_IFLNK},
      {"larger than 1 MiB", [&] { writeFile(large); }, S_IFREG},
  };
  QDir().mkpath(dir.path() + "/storm-distance");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ::unlink(file.constData());
    c.make();
    const Run run = runWriter({"count", "1"});
    ASSERT_TRUE(run.finished) << "reading the record did not end";
    EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("cannot read")) << run.err.toStdString();
    struct stat st {};
    ASSERT_EQ(::lstat(file.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & S_IFMT, c.type);
    if (c.type == S_IFREG) {
      EXPECT_TRUE(readFile(path) == large);
    }
  }
}

// Copies of the application side by side: three processes counting uses into one record at the
// same time lose none.
TEST_F(PreferencesStore, ProcessesCountingSideBySideLoseNoUse) {
  constexpr int kProcesses = 3;
  constexpr int kUses = 40;
  std::vector<std::unique_ptr<QProcess>> writers;
  for (int i = 0; i < kProcesses; ++i) {
    writers.push_back(std::make_unique<QProcess>());
    writers.back()->start(STORM_RECORD_WRITER,
                          {path, QString::number(kEpoch, 'f', 0), "count", QString::number(kUses)});
  }
  for (auto& writer : writers) {
    ASSERT_TRUE(writer->waitForFinished(60000));
    EXPECT_EQ(writer->exitCode(), 0) << writer->readAllStandardError().toStdString();
  }
  EXPECT_EQ(open()->integerForKey(kRatingPromptUseCount), kProcesses * kUses);
  EXPECT_EQ(filesBeside(), QStringList{"storm-distance.ini"});
}

// "No, Thanks" answered in one copy of the application stops the other from asking.
TEST_F(PreferencesStore, ADeclineSavedByAnotherProcessCountsAtTheNextConditionCheck) {
  writeFile(QString("[General]\nkRatingPromptCurrentVersion=1.0\nkRatingPromptFirstUseDate=%1\n"
                    "kRatingPromptUseCount=11\n")
                .arg(kEpoch - 31 * 86400.0, 0, 'f', 0)
                .toUtf8());
  auto services = std::make_shared<RatingPrompt::Services>();
  services->clock = clock;
  services->preferences = open();
  auto prompt = std::make_shared<RatingPrompt>(services);
  ASSERT_TRUE(prompt->ratingConditionsHaveBeenMet());

  const Run other = runWriter({"decline"});
  ASSERT_TRUE(other.finished && other.exitCode == 0) << other.err.toStdString();
  EXPECT_FALSE(prompt->ratingConditionsHaveBeenMet());
}

}  // namespace
}  // namespace storm::qt
