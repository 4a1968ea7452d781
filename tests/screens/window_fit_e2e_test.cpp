#include <gtest/gtest.h>

#include <QJsonArray>

#include "support/AutomationClient.h"

// The screens at window sizes from the smallest the window allows to a large desktop's: nothing
// squeezed below what its text needs, cut off without a way to scroll to it, or lying on another
// control; and the banner across the foot of whatever window there is.

namespace storm::e2e {
namespace {

QJsonArray rect(double x, double y, double w, double h) { return QJsonArray{x, y, w, h}; }

QStringList names(const QJsonValue& list) {
  QStringList out;
  for (const QJsonValue& v : list.toArray())
    out << (v.isArray() ? v.toArray()[0].toString() + "/" + v.toArray()[1].toString() : v.toString());
  return out;
}

TEST(WindowFitE2E, EveryScreenFitsEveryWindowFromTheSmallestToALargeOne) {
  AutomationClient app({"--manual-clock", "1700000000", "--location", "48.2,16.37"});
  // A measurement for the storm panel and the history's row, and an advertisement at the foot.
  app.ok("tap button");
  app.ok("advance 3.2");
  app.ok("tap button");
  app.ok("banner load");
  // Smaller than the window may be: it gets its least size, as a dragged corner would.
  EXPECT_EQ(app.send("resize 100 2000")["size"].toArray(), (QJsonArray{240, 2000}));
  EXPECT_EQ(app.send("resize 240 320")["size"].toArray(), (QJsonArray{240, 360}))
      << "the least size holds the button at touch size, the shelter notice and the banner";
  for (const auto& [width, height] : std::vector<std::pair<int, int>>{
           {240, 360}, {320, 480}, {480, 360}, {640, 360}, {1024, 768}, {800, 1280}, {1920, 1080}}) {
    app.ok(QString("resize %1 %2").arg(width).arg(height));
    app.ok("advance 1");
    for (const QString& screen : QStringList{"main", "info", "history"}) {
      if (screen != "main") app.ok("tap " + screen);
      app.ok("settle");
      const QJsonObject fit = app.state()["fit"].toObject();
      const std::string where = QString("%1 at %2x%3").arg(screen).arg(width).arg(height).toStdString();
      EXPECT_EQ(names(fit["cramped"]), QStringList()) << where;
      EXPECT_EQ(names(fit["overlapping"]), QStringList()) << where;
      EXPECT_EQ(names(fit["cut"]), QStringList()) << where;
      EXPECT_EQ(fit["wide"].toBool(), width >= 480 && width * 3 >= height * 4) << where;
      const QJsonObject window = app.state()["window"].toObject();
      EXPECT_EQ(window["size"].toArray(), (QJsonArray{width, height})) << where;
      if (screen == "main") {
        EXPECT_GE(window["button"].toArray()[3].toInt(), 44) << where << ": a touch target";
      }
      EXPECT_EQ(window["layout"].toString(), fit["wide"].toBool() ? "side by side" : "portrait") << where;
      EXPECT_EQ(fit["narrow"].toBool(), width < 320) << where;
      if (screen != "main") {
        app.ok("key Escape");
        app.ok("settle");
      }
    }
  }
}

TEST(WindowFitE2E, TheBannerSpansTheFootAndTheFirstSizeComesBackAsItWas) {
  AutomationClient app({"--manual-clock", "1700000000"});
  app.ok("resize 800 500");
  app.ok("advance 1");
  QJsonObject s = app.state();
  EXPECT_EQ(s["banner"].toObject()["frame"].toArray(), rect(0, 500, 800, 32)) << "below the edge, window-wide";
  EXPECT_EQ(s["content"].toObject()["frame"].toArray(), rect(0, 0, 800, 500));
  app.ok("resize 360 640");
  app.ok("banner load");
  app.ok("advance 1");
  const QJsonArray firstMap = app.state()["map"].toObject()["frame"].toArray();

  // Turning to landscape with the advertisement on show: the banner takes the landscape height
  // and sits on the window's bottom edge, the content ends on its top edge.
  app.ok("resize 1024 600");
  app.ok("advance 1");
  s = app.state();
  EXPECT_EQ(s["banner"].toObject()["identifier"].toString(), "landscape");
  EXPECT_EQ(s["banner"].toObject()["frame"].toArray(), rect(0, 568, 1024, 32));
  EXPECT_EQ(s["content"].toObject()["frame"].toArray(), rect(0, 0, 1024, 568));
  EXPECT_TRUE(s["fit"].toObject()["wide"].toBool());
  const QJsonArray map = s["map"].toObject()["frame"].toArray();
  EXPECT_LE(map[0].toDouble() + map[2].toDouble(), 1024 - 240) << "the controls beside the map";
  EXPECT_GT(map[3].toDouble(), 400) << "the map takes the height";
  // A resize that keeps the shape keeps the banner's height and moves it with the edge.
  app.ok("resize 1280 700");
  app.ok("advance 1");
  EXPECT_EQ(app.state()["banner"].toObject()["frame"].toArray(), rect(0, 668, 1280, 32));

  app.ok("resize 360 640");
  app.ok("advance 1");
  s = app.state();
  EXPECT_EQ(s["banner"].toObject()["frame"].toArray(), rect(0, 590, 360, 50));
  EXPECT_EQ(s["content"].toObject()["frame"].toArray(), rect(0, 0, 360, 590));
  EXPECT_EQ(s["map"].toObject()["frame"].toArray(), firstMap);
  EXPECT_EQ(s["fit"].toObject()["wide"].toBool(), false);
}

}  // namespace
}  // namespace storm::e2e
