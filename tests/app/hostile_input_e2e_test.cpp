#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>

#include "support/AutomationClient.h"

// Input from outside that tries to hang or flood the app: special files where resource files
// belong, and command lines without end.

namespace storm::e2e {
namespace {

struct SpecialFile {
  const char* option;
  const char* kind;  // "fifo" or "zero" (a link to /dev/zero)
};

class SpecialFiles : public ::testing::TestWithParam<SpecialFile> {};

TEST_P(SpecialFiles, AreRefusedWithoutWaitingOrReadingWithoutEnd) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/special";
  if (QString(GetParam().kind) == "fifo")
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
  else
    ASSERT_TRUE(QFile::link("/dev/zero", path));
  AutomationClient app({"--manual-clock", "1700000000", GetParam().option, path});
  const QJsonObject state = app.send("state", 10000);
  EXPECT_EQ(state["screen"].toString(), "main");
  EXPECT_EQ(app.quit(), 0);
}

INSTANTIATE_TEST_SUITE_P(Options, SpecialFiles,
                         ::testing::Values(SpecialFile{"--info", "fifo"}, SpecialFile{"--info", "zero"},
                                           SpecialFile{"--map-sources", "fifo"}, SpecialFile{"--map-sources", "zero"},
                                           SpecialFile{"--house-ads", "fifo"}, SpecialFile{"--house-ads", "zero"},
                                           SpecialFile{"--nmea", "fifo"}, SpecialFile{"--nmea", "zero"}),
                         [](const auto& info) {
                           return QString(info.param.option).mid(2).remove('-').toStdString() + "_" + info.param.kind;
                         });

TEST(HostileCommands, AnOverlongLineIsRefusedBrieflyAndTheNextOneRuns) {
  AutomationClient app;
  const QJsonObject refused = app.send(QString(8 * 1024 * 1024, 'x'));
  EXPECT_TRUE(refused["error"].toString().contains("longer than")) << refused["error"].toString().toStdString();
  EXPECT_LT(refused["error"].toString().size(), 200) << "the line is not echoed";
  EXPECT_EQ(app.state()["screen"].toString(), "main");
  EXPECT_EQ(app.quit(), 0);
}

}  // namespace
}  // namespace storm::e2e
