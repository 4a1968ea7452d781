#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <cstring>
#include <functional>
#include <random>
#include <thread>

#include "support/PreferencesTestSupport.h"

// The preference store's file: damaged files, threads, crashes, a full disk, a lock that never
// frees, things that are not files, and other processes sharing the record.

namespace storm::qt::test {
namespace {

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

// A record that is a link to a file elsewhere (kept with the user's other settings, say) is saved
// into the file it points to: the link stays a link, and no file of the save is left in either
// folder.
TEST_F(PreferencesStore, ALinkedRecordIsSavedIntoTheFileItPointsTo) {
  const QString elsewhere = dir.path() + "/dotfiles";
  const QString target = elsewhere + "/storm-distance.ini";
  ASSERT_TRUE(QDir().mkpath(elsewhere));
  ASSERT_TRUE(QDir().mkpath(dir.path() + "/storm-distance"));
  {
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[General]\nkRatingPromptUseCount=4\n");
  }
  ASSERT_TRUE(QFile::link(target, path));

  auto store = open();
  EXPECT_EQ(store->integerForKey(kRatingPromptUseCount), 4);
  store->setInteger(5, kRatingPromptUseCount);
  ASSERT_TRUE(store->synchronize());
  EXPECT_TRUE(QFileInfo(path).isSymLink());
  EXPECT_EQ(readFile(target), "[General]\nkRatingPromptUseCount=5\n");
  EXPECT_EQ(open()->integerForKey(kRatingPromptUseCount), 5);
  EXPECT_EQ(filesBeside(), QStringList{"storm-distance.ini"});
  EXPECT_EQ(QDir(elsewhere).entryList(QDir::Files), QStringList{"storm-distance.ini"});
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
}  // namespace storm::qt::test
