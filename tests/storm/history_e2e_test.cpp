#include <gtest/gtest.h>
#include <QRegularExpression>
#include <QFile>
#include <QJsonArray>
#include <vector>

#include "support/AutomationClient.h"

// The history screen driven as a user would: opened from the main screen, its list, the export
// through the file dialog and the question before clearing.

namespace storm::e2e {
namespace {

void measure(AutomationClient& app, const QString& seconds) {
  app.ok("tap button");
  app.ok("advance " + seconds);
  app.ok("tap button");
  app.ok("advance 30");
}

QJsonObject history(AutomationClient& app) { return app.state()["history"].toObject(); }
qsizetype logSize(AutomationClient& app) { return app.send("strikes")["strikes"].toArray().size(); }

TEST(HistoryE2E, ListsTheStrikesJustMeasuredAndClosesWithDone) {
  AutomationClient app({"--manual-clock", "1700000000"});
  ASSERT_TRUE(app.started());
  // Ten strikes over some twelve minutes, from 20 km to 3 km: a trend that holds from one strike to
  // the next.
  for (int i = 0; i < 10; ++i) {
    if (i > 0) app.ok("advance 20");
    measure(app, QString::number((20 - 17 * i / 9.0) / 0.34029, 'f', 3));
  }
  // Opened at once, before the last write may have landed.
  app.ok("tap history");
  app.ok("settle");
  QJsonObject s = app.state();
  EXPECT_EQ(s["screen"].toString(), "history");
  EXPECT_EQ(s["history"].toObject()["strikes"].toInt(), 10);
  EXPECT_TRUE(s["history"].toObject()["trend"].toString().startsWith("Last 15 minutes: Approaching"))
      << s["history"].toObject()["trend"].toString().toStdString();
  app.ok("tap done");
  app.ok("settle");
  s = app.state();
  EXPECT_EQ(s["screen"].toString(), "main");
  EXPECT_TRUE(s["history"].isNull());
}

// A wide low window sets the storm's chart beside the list; a narrow one keeps the chooser's text
// whole and the direction of each strike in view, in English and in German.
TEST(HistoryE2E, ShowsTheChartInAWideLowWindowAndTheChooserAndDirectionsWholeInANarrowOne) {
  for (const char* language : {"en", "de"}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LANGUAGE", language);
    AutomationClient app({"--manual-clock", "1700000000", "--location", "47.37,8.54"}, env);
    ASSERT_TRUE(app.started());
    for (const char* delay : {"20", "18"}) {
      measure(app, delay);
      app.ok("bearing 315.8");
    }
    app.ok("tap history");
    for (const auto& [width, height] : std::vector<std::pair<int, int>>{{800, 400}, {360, 640}}) {
      app.ok(QString("resize %1 %2").arg(width).arg(height));
      app.ok("settle");
      const QJsonObject sight = history(app)["sight"].toObject();
      const std::string where = QString("%1 at %2x%3").arg(language).arg(width).arg(height).toStdString();
      EXPECT_TRUE(sight["chart"].toBool() && sight["chooser"].toBool()) << where;
      EXPECT_TRUE(sight["chooserWhole"].toBool()) << where;
      EXPECT_TRUE(sight["directionInView"].toBool()) << where;
    }
  }
}

TEST(HistoryE2E, ExportWritesTheChosenFileAndOnlyAConfirmedClearEmptiesTheLog) {
  AutomationClient app({"--manual-clock", "1700000000"});
  ASSERT_TRUE(app.started());
  for (const char* seconds : {"12", "9", "6"}) measure(app, seconds);
  app.ok("tap history");
  app.ok("settle");

  EXPECT_TRUE(app.send("choose " + app.home() + "/x.csv").contains("error")) << "no dialog is open";
  app.ok("tap export");
  // The name offered carries the day of the export.
  EXPECT_TRUE(QRegularExpression("/storm-distance-strikes-\\d{4}-\\d{2}-\\d{2}\\.csv$")
                  .match(app.state()["fileDialog"].toString())
                  .hasMatch())
      << app.state()["fileDialog"].toString().toStdString();
  app.ok("choose cancel");
  app.ok("settle");
  EXPECT_EQ(history(app)["result"].toString(), "");
  app.ok("tap export");
  const QString csv = app.home() + "/my strikes.csv";
  app.ok("choose " + csv);
  app.ok("settle");
  QFile file(csv);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll().trimmed().split('\n').size(), 4) << "the header and three strikes";
  EXPECT_EQ(history(app)["result"].toString(), "Exported 3 strikes to " + csv);

  app.ok("tap clear");
  const QJsonObject alert = app.state()["alert"].toObject();
  EXPECT_TRUE(alert["visible"].toBool());
  EXPECT_EQ(alert["title"].toString(), "Clear all strikes?");
  EXPECT_EQ(alert["buttons"].toArray(), (QJsonArray{"Cancel", "Clear"}));
  app.ok("tap alert 0");
  app.ok("settle");
  EXPECT_EQ(logSize(app), 3);
  EXPECT_EQ(history(app)["strikes"].toInt(), 3);
  app.ok("tap clear");
  app.ok("tap alert 1");
  app.ok("settle");
  EXPECT_EQ(logSize(app), 0);
  EXPECT_EQ(history(app)["strikes"].toInt(), 0);
  EXPECT_EQ(history(app)["trend"].toString(), "Not enough strikes in the last 15 minutes for a trend");

  app.ok("key Escape");
  app.ok("settle");
  EXPECT_EQ(app.state()["screen"].toString(), "main");
}

}  // namespace
}  // namespace storm::e2e
