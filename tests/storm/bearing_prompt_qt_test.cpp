#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "map/qt/MapWidget.h"
#include "storm/qt/StormLayer.h"

// The question for the direction of a flash on the map: a click gives the direction from where the
// strike was measured, a drag its own direction, the keypad is a compass rose, a typed number is
// checked, and Escape lets the question go, after which the map takes its clicks again.

namespace storm::qt {
namespace {

struct Given {
  double strike = 0, degrees = -1;
  BearingSource source = BearingSource::Compass;
};

TEST(BearingPrompt, EveryWayOfGivingTheDirectionReachesTheStrikeAsked) {
  MapWidget map;
  map.resize(400, 500);
  map.model().setCamera({{45, 7}, 11}, false);
  map.show();
  QApplication::setActiveWindow(&map);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&map));
  StormLayer layer(&map);
  std::vector<Given> given;
  layer.setBearingHandler([&](double strike, double degrees, BearingSource source) {
    given.push_back({strike, degrees, source});
  });
  auto ask = [&](double strike) {
    StormPanel panel;
    panel.ask = "Where was the flash?";
    panel.askFor = strike;
    panel.askFrom = GeoPoint{45, 7};
    layer.setStormPanel(panel);
  };
  EXPECT_EQ(map.findChild<QWidget*>("bearingPanel"), nullptr) << "made the first time it is asked";
  ask(1);
  auto* bearingPanel = map.findChild<QWidget*>("bearingPanel");
  auto* field = map.findChild<QLineEdit*>("flashBearingField");
  ASSERT_TRUE(bearingPanel && field);
  EXPECT_TRUE(layer.askingBearing());
  EXPECT_FALSE(bearingPanel->isHidden());
  EXPECT_TRUE(map.rect().contains(bearingPanel->geometry()));
  const QPoint here = map.model().pointForCoordinate({45, 7}).toPoint();
  QTest::mouseClick(&map, Qt::LeftButton, {}, here + QPoint(100, 0));
  ask(2);
  QTest::mousePress(&map, Qt::LeftButton, {}, QPoint(50, 300));
  QTest::mouseMove(&map, QPoint(50, 250));
  QTest::mouseRelease(&map, Qt::LeftButton, {}, QPoint(50, 200));
  ask(3);
  QTest::keyClick(&map, Qt::Key_9, Qt::KeypadModifier);
  ask(4);
  QTest::keyClick(&map, Qt::Key_Home, Qt::KeypadModifier);  // 7 without Num Lock
  ask(5);
  QTest::keyClicks(field, "400");
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_TRUE(field->property("invalid").toBool());
  EXPECT_EQ(given.size(), 4u) << "a bearing out of range is not taken";
  field->clear();
  QTest::keyClicks(field, "123,5");
  QTest::keyClick(field, Qt::Key_Return);
  ASSERT_EQ(given.size(), 5u);
  const Given expected[] = {{1, 90, BearingSource::Map},
                            {2, 0, BearingSource::Map},
                            {3, 45, BearingSource::Key},
                            {4, 315, BearingSource::Key},
                            {5, 123.5, BearingSource::Typed}};
  for (size_t i = 0; i < given.size(); ++i) {
    EXPECT_EQ(given[i].strike, expected[i].strike);
    EXPECT_NEAR(given[i].degrees, expected[i].degrees, 0.5) << i;
    EXPECT_EQ(given[i].source, expected[i].source) << i;
  }

  ask(6);
  QTest::keyClick(&map, Qt::Key_Escape);
  EXPECT_FALSE(layer.askingBearing());
  EXPECT_TRUE(bearingPanel->isHidden());
  const GeoPoint before = map.model().camera().center;
  QTest::mousePress(&map, Qt::LeftButton, {}, QPoint(200, 300));
  QTest::mouseMove(&map, QPoint(200, 250));
  QTest::mouseRelease(&map, Qt::LeftButton, {}, QPoint(200, 200));
  EXPECT_EQ(given.size(), 5u);
  EXPECT_NE(map.model().camera().center, before) << "the map pans again";
}

}  // namespace
}  // namespace storm::qt
