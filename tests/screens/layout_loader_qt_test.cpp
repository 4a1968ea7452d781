#include <gtest/gtest.h>
#include <QApplication>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "support/FakeServices.h"
#include "screens/qt/ScreenLayouts.h"
#include "kit/qt/LayoutLoader.h"
#include "map/qt/MapWidget.h"
#include "kit/qt/QtViews.h"
#include "system/qt/ScreenFit.h"
#include "screens/FlipsideViewController.h"
#include "screens/MainViewController.h"

namespace storm::qt {
namespace {

class MainLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    window.resize(360, 640);
    screen = loader.load("Main", &window, nullptr);
    ASSERT_TRUE(screen);
    controller = std::dynamic_pointer_cast<MainViewController>(screen->controller);
    ASSERT_TRUE(controller);
  }
  // A running stopwatch's timer keeps the screen alive, as a scheduled timer does: stop it.
  void TearDown() override {
    if (controller) controller->cancel(nullptr);
  }
  int32_t phase() const { return stopwatch->measurementPhase; }

  fakes::FakeServices fake;
  std::shared_ptr<Stopwatch> stopwatch = fake.stopwatch();
  LayoutLoader loader{buildScreenLayout, fake.screens(stopwatch)};
  QWidget window;
  std::unique_ptr<LoadedScreen> screen;
  std::shared_ptr<MainViewController> controller;
};

TEST_F(MainLayout, ConnectsEveryOutletToTheRightKindOfView) {
  EXPECT_TRUE(controller->time());
  EXPECT_TRUE(controller->dist());
  EXPECT_TRUE(controller->buttonP());
  EXPECT_TRUE(controller->switcher());
  EXPECT_TRUE(controller->mapView());
  ASSERT_TRUE(controller->contentView());
  EXPECT_EQ(controller->buttonP()->title(ControlStateNormal), "SAW LIGHTNING");
  EXPECT_EQ(controller->switcher()->selectedSegmentIndex(), 0);
  // The content view is a direct subview of the main view that fills it and follows its size.
  EXPECT_EQ(widgetOf(controller->contentView().get())->parentWidget(), screen->root.data());
  EXPECT_EQ(controller->contentView()->autoresizingMask(), 18u);
  EXPECT_EQ(controller->view(), screen->rootView);
}

TEST_F(MainLayout, ContentViewFollowsTheMainViewsSize) {
  window.show();
  screen->rootView->setFrame({0, 0, 360, 640});
  screen->rootView->setFrame({0, 0, 640, 360});
  EXPECT_EQ(controller->contentView()->frame(), (Rect{0, 0, 640, 360}));
}

TEST_F(MainLayout, ClickingTheButtonRunsItsAction) {
  auto* button = qobject_cast<QPushButton*>(screen->widgetForAction("button:"));
  ASSERT_TRUE(button);
  button->click();
  EXPECT_EQ(phase(), MeasurementPhaseTiming);
  EXPECT_EQ(button->text(), "HEARD THUNDER");
}

TEST_F(MainLayout, SpaceAndEnterPressTheMainButton) {
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  screen->takeFocus();  // on the main button, as the screens give it; Space presses the focused control
  QTest::keyClick(&window, Qt::Key_Space);
  EXPECT_EQ(phase(), MeasurementPhaseTiming);
  QTest::keyClick(&window, Qt::Key_Return);
  EXPECT_EQ(phase(), MeasurementPhaseIdle);
  QTest::keyClick(&window, Qt::Key_Enter);
  EXPECT_EQ(phase(), MeasurementPhaseTiming);
}

TEST_F(MainLayout, MissingLayoutLoadsNothing) { EXPECT_FALSE(loader.load("NoSuchScreen", &window, nullptr)); }

// A name misspelt in a layout or in its controller shows here rather than as a line at start-up.
TEST_F(MainLayout, EveryLayoutMatchesItsController) {
  EXPECT_EQ(screen->problems, std::vector<std::string>{});
  auto info = loader.load("Flipside", &window, nullptr);
  ASSERT_TRUE(info);
  EXPECT_TRUE(std::dynamic_pointer_cast<FlipsideViewController>(info->controller));
  EXPECT_EQ(info->problems, std::vector<std::string>{});
}

TEST(QtViews, FramesKeepTheirFloatValuesAndEmptyWrappersReadZero) {
  auto* widget = new QLabel;
  auto view = wrapWidget(widget);
  view->setFrame({0.5f, 10.25f, 320, 50});
  EXPECT_EQ(view->frame(), (Rect{0.5f, 10.25f, 320, 50}));
  EXPECT_EQ(view->bounds(), (Rect{0, 0, 320, 50}));
  delete widget;
  EXPECT_EQ(view->frame(), RectZero);
  std::dynamic_pointer_cast<Label>(view)->setText("nobody home");  // does nothing, and does not crash
  EXPECT_EQ(std::dynamic_pointer_cast<Label>(view)->text(), "");
}

// The map view keeps the very overlays it was given. The map draws the circles among them, and the
// delegate is asked for a circle's look when the map first draws it, not before and not again.
TEST(QtViews, TheMapViewKeepsItsOverlaysAndAsksTheDelegateWhenTheMapDraws) {
  struct Delegate : MKMapViewDelegate {
    std::vector<std::shared_ptr<MKOverlay>> asked;
    std::shared_ptr<MKOverlayView> mapViewViewForOverlay(MKMapView&, const std::shared_ptr<MKOverlay>& o) override {
      asked.push_back(o);
      auto view = std::make_shared<MKCircleView>(o);
      view->setFillColor(Color::redColor());
      return view;
    }
  };
  struct Point : MKOverlay {
    CLLocationCoordinate2D coordinate() const override { return {45, 7}; }
  };
  MapWidget widget;
  widget.resize(200, 200);
  const auto view = std::dynamic_pointer_cast<MKMapView>(wrapWidget(&widget));
  ASSERT_TRUE(view);
  view->setRegion(view->regionThatFits(MKCoordinateRegionMakeWithDistance({45, 7}, 4000, 4000)), false);
  const std::shared_ptr<MKOverlay> circle = MKCircle::circleWithCenterCoordinate({45, 7}, 1000);
  const std::shared_ptr<MKOverlay> point = std::make_shared<Point>();
  view->addOverlay(circle);
  view->addOverlay(point);
  EXPECT_EQ(view->overlays(), (std::vector{circle, point}));
  ASSERT_EQ(widget.model().circles().size(), 1u);
  EXPECT_EQ(widget.model().circles()[0].radius, 1000);

  const auto delegate = std::make_shared<Delegate>();
  view->setDelegate(delegate);
  EXPECT_TRUE(delegate->asked.empty()) << "not before the map draws";
  QImage image(widget.size(), QImage::Format_RGB32);
  widget.render(&image);
  widget.render(&image);
  EXPECT_EQ(delegate->asked, std::vector{circle});
  EXPECT_EQ(image.pixelColor(100, 100), QColor(Qt::red));

  view->removeOverlays({circle});
  EXPECT_EQ(view->overlays(), std::vector{point});
  EXPECT_TRUE(widget.model().circles().empty());
}

// Type follows the application font: the drawn-for 9 pt keeps every pixel size, a font twice as
// large doubles them, and only font sizes change.
TEST(ApplicationFontSizes, FollowTheApplicationFont) {
  const QFont before = QApplication::font();
  const QString sheet = "QLabel#time { font-size: 46px; padding: 4px; } QLabel { font-size:13px }";
  auto pixels = [](const QString& styled) {
    QLabel label;
    label.setStyleSheet(styled);
    label.ensurePolished();
    return QFontInfo(label.font()).pixelSize();
  };
  QFont nine = before;
  nine.setPointSizeF(9);
  QApplication::setFont(nine);
  EXPECT_EQ(pixels(withApplicationFontSizes("QLabel { font-size: 46px; }")), pixels("QLabel { font-size: 46px; }"));
  QFont eighteen = before;
  eighteen.setPointSizeF(18);
  QApplication::setFont(eighteen);
  EXPECT_EQ(withApplicationFontSizes(sheet),
            "QLabel#time { font-size: 69pt; padding: 4px; } QLabel { font-size: 19.5pt }");
  QApplication::setFont(before);
}

}  // namespace
}  // namespace storm::qt
