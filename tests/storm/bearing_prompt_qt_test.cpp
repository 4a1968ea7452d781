#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
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

// Keys: the keypad by its keys' places (Wayland marks no key as the keypad's, Num Lock changes what
// a key says), Shift with two arrows for the points between, and Return in the degrees field for
// the field alone, never for a shortcut of the window (the stopwatch's); inside the field, a
// keypad digit is a digit and an arrow moves the cursor.
TEST(BearingPrompt, KeysGiveTheCompassOutsideTheFieldAndAreTheFieldsInsideIt) {
  MapWidget map;
  map.resize(400, 500);
  map.show();
  QApplication::setActiveWindow(&map);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&map));
  int stopwatch = 0;
  auto* returnKey = new QShortcut(QKeySequence(Qt::Key_Return), &map);
  auto* enterKey = new QShortcut(QKeySequence(Qt::Key_Enter), &map);
  for (QShortcut* key : std::initializer_list<QShortcut*>{returnKey, enterKey})
    QObject::connect(key, &QShortcut::activated, &map, [&] { ++stopwatch; });
  StormLayer layer(&map);
  std::vector<double> given;
  layer.setBearingHandler([&](double, double degrees, BearingSource) { given.push_back(degrees); });
  auto ask = [&] {
    StormPanel panel;
    panel.ask = "Where was the flash?";
    panel.askFor = static_cast<double>(given.size() + 1);
    layer.setStormPanel(panel);
  };
  auto press = [&](QWidget* to, int key, Qt::KeyboardModifiers modifiers, quint32 scanCode, const QString& text = {}) {
    QKeyEvent down(QEvent::KeyPress, key, modifiers, scanCode, 0, 0, text);
    QApplication::sendEvent(to, &down);
    QKeyEvent up(QEvent::KeyRelease, key, modifiers, scanCode, 0, 0, text);
    QApplication::sendEvent(to, &up);
  };
  ask();
  press(&map, Qt::Key_9, Qt::NoModifier, 81, "9");  // keypad 9 as Wayland reports it
  ask();
  press(&map, Qt::Key_Left, Qt::KeypadModifier, 83);  // keypad 4 without Num Lock
  ask();
  QTest::keyPress(&map, Qt::Key_Up, Qt::ShiftModifier);
  QTest::keyPress(&map, Qt::Key_Right, Qt::ShiftModifier);
  QTest::keyRelease(&map, Qt::Key_Shift, Qt::ShiftModifier);
  ask();
  QTest::keyPress(&map, Qt::Key_Left, Qt::ShiftModifier);
  QTest::keyPress(&map, Qt::Key_Up, Qt::ShiftModifier);
  ask();
  QTest::keyPress(&map, Qt::Key_Down, Qt::ShiftModifier);
  QTest::keyRelease(&map, Qt::Key_Shift, Qt::NoModifier);
  EXPECT_EQ(given, (std::vector<double>{45, 270, 45, 315, 180}));

  ask();
  auto* field = map.findChild<QLineEdit*>("flashBearingField");
  ASSERT_TRUE(field);
  field->setFocus();
  press(field, Qt::Key_9, Qt::KeypadModifier, 81, "9");
  press(field, Qt::Key_2, Qt::KeypadModifier, 88, "2");
  press(field, Qt::Key_Left, Qt::NoModifier, 113);
  EXPECT_EQ(field->text(), "92");
  EXPECT_EQ(field->cursorPosition(), 1) << "the arrow moved the cursor";
  QTest::keyClick(field, Qt::Key_Enter, Qt::KeypadModifier);
  ASSERT_EQ(given.size(), 6u);
  EXPECT_EQ(given.back(), 92);
  ask();
  field->setFocus();
  QTest::keyClicks(field, "400");
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_TRUE(layer.askingBearing()) << "out of range: asked still";
  field->setText("17");
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_EQ(given.back(), 17);
  EXPECT_EQ(stopwatch, 0) << "Return and Enter in the field are the field's";
}

}  // namespace
}  // namespace storm::qt
