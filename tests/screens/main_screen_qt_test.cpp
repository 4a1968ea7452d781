#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>

#include "map/qt/MapWidget.h"
#include "screens/FlipsideViewController.h"
#include "screens/MainViewController.h"
#include "screens/qt/BannerView.h"
#include "screens/qt/MainScreen.h"
#include "screens/qt/QtViews.h"
#include "screens/qt/Screens.h"
#include "support/FakeServices.h"
#include "system/qt/ScreenFit.h"
#include "ui_Main.h"

// The screens as widgets over their forms: what the controllers get of them, what their controls
// and keys reach, and how the window's screens present, dismiss and turn.

namespace storm::qt {
namespace {

// The main screen in a window of its own, over a controller on fakes; its banners come from a house
// advertisement of the test's.
class MainLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    QFile ads(dir.path() + "/ads.json");
    ASSERT_TRUE(ads.open(QIODevice::WriteOnly));
    ads.write(R"({"ads":[{"text":"Storm Pro","link":"https://apps.example.com/pro"}]})");
    ads.close();
    banners = std::make_shared<QtBannerService>(fake.clock, adLinks, nullptr, ads.fileName());
    banners->setWindow(&window);
    window.resize(360, 640);
    controller = std::make_shared<MainViewController>(
        stopwatch, MainViewController::Services{fake.formatters, banners, std::make_shared<QtAnimator>(), fake.urls});
    screen = new MainScreen(controller, &window);
    screens = new Screens(&window, screen, [this](QWidget* in) {
      return new InfoScreen(std::make_shared<FlipsideViewController>(fake.urls), in);
    });
  }
  // A running stopwatch's timer keeps the screen alive, as a scheduled timer does: stop it.
  void TearDown() override { controller->cancel(); }
  int32_t phase() const { return stopwatch->measurementPhase; }
  void showWindow() {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  }

  fakes::FakeServices fake;
  std::shared_ptr<fakes::RecordingURLOpener> adLinks = std::make_shared<fakes::RecordingURLOpener>();
  std::shared_ptr<Stopwatch> stopwatch = fake.stopwatch();
  QTemporaryDir dir;
  std::shared_ptr<QtBannerService> banners;
  QWidget window;
  std::shared_ptr<MainViewController> controller;
  MainScreen* screen = nullptr;
  Screens* screens = nullptr;
};

TEST_F(MainLayout, GivesTheControllerEveryViewOfTheRightKind) {
  EXPECT_TRUE(controller->time());
  EXPECT_TRUE(controller->dist());
  EXPECT_TRUE(controller->switcher());
  EXPECT_TRUE(controller->mapView());
  ASSERT_TRUE(controller->buttonP());
  ASSERT_TRUE(controller->contentView());
  EXPECT_EQ(controller->buttonP()->title(ControlStateNormal), "SAW LIGHTNING");
  EXPECT_EQ(controller->switcher()->selectedSegmentIndex(), 0);
  // The content view is a direct subview of the main view that fills it and follows its size.
  EXPECT_EQ(widgetOf(controller->contentView().get())->parentWidget(), screen);
  EXPECT_EQ(controller->contentView()->autoresizingMask(), 18u);
  EXPECT_EQ(widgetOf(controller->view().get()), screen);
  // The banner the view's loading made waits below the bottom edge, on top of the screen.
  EXPECT_EQ(widgetOf(controller->adBannerView().get())->parentWidget(), screen);
  EXPECT_EQ(controller->adBannerView()->frame().y, 640);
}

TEST_F(MainLayout, ContentViewFollowsTheMainViewsSize) {
  window.show();
  controller->view()->setFrame({0, 0, 360, 640});
  controller->view()->setFrame({0, 0, 640, 360});
  EXPECT_EQ(controller->contentView()->frame(), (Rect{0, 0, 640, 360}));
}

// Each control reaches its action: the button the stopwatch, the selector the map's type, Escape
// the cancelling of a measurement, the store link the store's page.
TEST_F(MainLayout, TheControlsReachTheirActions) {
  const Ui::MainScreen& form = screen->form();
  form.buttonP->click();
  EXPECT_EQ(phase(), MeasurementPhaseTiming);
  EXPECT_EQ(form.buttonP->text(), "HEARD THUNDER");
  showWindow();
  QTest::keyClick(&window, Qt::Key_Escape);
  EXPECT_EQ(phase(), MeasurementPhaseIdle);
  EXPECT_EQ(form.buttonP->text(), "SAW LIGHTNING");
  form.switcher->choose(1);
  EXPECT_EQ(controller->mapView()->mapType(), MKMapTypeSatellite);
  form.paid->click();
  ASSERT_EQ(fake.urls->opened.size(), 1u);
  EXPECT_NE(fake.urls->opened[0].find("/us/app/"), std::string::npos);
}

TEST_F(MainLayout, SpaceAndEnterPressTheMainButton) {
  showWindow();
  screen->firstFocus()->setFocus();  // on the main button, as the screens give it; Space presses the focused control
  QTest::keyClick(&window, Qt::Key_Space);
  EXPECT_EQ(phase(), MeasurementPhaseTiming);
  QTest::keyClick(&window, Qt::Key_Return);
  EXPECT_EQ(phase(), MeasurementPhaseIdle);
  QTest::keyClick(&window, Qt::Key_Enter);
  EXPECT_EQ(phase(), MeasurementPhaseTiming);
}

// The banner's advertisement opens its link: the main screen allows every action of the banner,
// and the tap moves nothing on the screen.
TEST_F(MainLayout, ATapOnTheBannerOpensItsLinkWithTheScreensLeave) {
  banners->forceLoad();
  ASSERT_TRUE(controller->adBannerView()->isBannerLoaded());
  const Rect content = controller->contentView()->frame();
  EXPECT_TRUE(banners->tapNewest());
  EXPECT_EQ(adLinks->opened, std::vector<std::string>{"https://apps.example.com/pro"});
  EXPECT_EQ(controller->contentView()->frame(), content);
  EXPECT_TRUE(fake.urls->opened.empty());
}

// The information button is the way "showAlternate": the information screen slides in with the
// main screen as its delegate, and its Done closes it again, after the slide if pressed during it.
TEST_F(MainLayout, TheInformationScreenOpensOverTheMainOneAndDoneClosesIt) {
  showWindow();
  screen->form().info->click();
  auto* info = qobject_cast<InfoScreen*>(screens->presented());
  ASSERT_TRUE(info);
  EXPECT_EQ(screens->top(), info);
  EXPECT_EQ(info->controller()->delegate(), controller);
  EXPECT_FALSE(screen->isEnabled()) << "covered, the main screen takes no input";
  EXPECT_EQ(QApplication::focusWidget(), info->firstFocus());
  screen->form().info->click();  // a second press while one is presented opens nothing more
  EXPECT_EQ(screens->presented(), info);
  ASSERT_TRUE(screens->transitioning());
  // On a low window the page is longer than the screen: the control the focus comes to is scrolled
  // into view above the Done bar.
  ASSERT_TRUE(QTest::qWaitFor([&] { return !screens->transitioning(); }));
  window.resize(360, 400);
  QApplication::processEvents();
  auto* scroller = info->findChild<QScrollArea*>("scroller");
  auto* more = info->findChild<QWidget*>("more");
  ASSERT_TRUE(scroller && more);
  const QRect shown = scroller->viewport()->rect();
  auto inView = [&] { return shown.contains(QRect(more->mapTo(scroller->viewport(), QPoint()), more->size())); };
  ASSERT_FALSE(inView()) << "the page starts at its top";
  more->setFocus(Qt::TabFocusReason);
  EXPECT_TRUE(inView());
  info->findChild<QAbstractButton*>("done")->click();
  EXPECT_EQ(screens->presented(), info) << "closed once the slide has ended";
  ASSERT_TRUE(QTest::qWaitFor([&] { return !screens->presented() && !screens->transitioning(); }));
  EXPECT_TRUE(screen->isEnabled());
  EXPECT_TRUE(screen->isVisible());
  EXPECT_EQ(QApplication::focusWidget(), screen->firstFocus());
}

// A window that turns asks the main screen first (the banner takes the new identifier's size),
// then lays the screen out again for that size.
TEST_F(MainLayout, ATurnOfTheWindowLaysTheBannerOutForItsNewSize) {
  showWindow();
  banners->forceLoad();
  EXPECT_EQ(controller->contentView()->frame(), (Rect{0, 0, 360, 590}));
  window.resize(640, 360);
  EXPECT_EQ(controller->adBannerView()->currentContentSizeIdentifier(), ADBannerContentSizeIdentifierLandscape);
  EXPECT_EQ(controller->contentView()->frame(), (Rect{0, 0, 640, 328}));
  EXPECT_EQ(controller->adBannerView()->frame(), (Rect{0, 328, 640, 32}));
  window.resize(700, 360);  // wider still: no turn, the identifier stays
  EXPECT_EQ(controller->adBannerView()->currentContentSizeIdentifier(), ADBannerContentSizeIdentifierLandscape);
  EXPECT_TRUE(screens->askToRotate(1));
  EXPECT_EQ(controller->adBannerView()->currentContentSizeIdentifier(), ADBannerContentSizeIdentifierPortrait);
}

TEST(QtViews, FramesKeepTheirFloatValuesAndEmptyWrappersReadZero) {
  auto* widget = new QLabel;
  auto view = std::make_shared<QtLabel>(widget);
  view->setFrame({0.5f, 10.25f, 320, 50});
  EXPECT_EQ(view->frame(), (Rect{0.5f, 10.25f, 320, 50}));
  EXPECT_EQ(view->bounds(), (Rect{0, 0, 320, 50}));
  delete widget;
  EXPECT_EQ(view->frame(), RectZero);
  view->setText("nobody home");  // does nothing, and does not crash
  EXPECT_EQ(view->text(), "");
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
  const auto view = makeMapView(&widget);
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
