#include <gtest/gtest.h>

#include "BuildConfig.h"
#include "screens/FlipsideViewController.h"
#include "screens/MainViewController.h"
#include "support/FakeBanner.h"
#include "support/FakeServices.h"
#include "support/FakeViews.h"

namespace storm {
namespace {

using fakes::FakeBannerView;
using fakes::FakeView;

// The main view records the order in which frames are set inside animation blocks.
class BannerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.banners = banners;
    mainView->setFrame({0, 20, 320, 460});
    content->setFrame({0, 0, 320, 460});
    controller = std::make_shared<MainViewController>(fake.stopwatch(), fake.mainScreen());
    controller->setView(mainView);
    controller->setContentView(content);
    controller->viewDidLoad();
    banner = banners->made.back();
  }

  fakes::FakeServices fake;
  std::shared_ptr<fakes::FakeBannerService> banners = std::make_shared<fakes::FakeBannerService>();
  std::shared_ptr<FakeView> mainView = std::make_shared<FakeView>();
  std::shared_ptr<FakeView> content = std::make_shared<FakeView>();
  std::shared_ptr<MainViewController> controller;
  std::shared_ptr<FakeBannerView> banner;
};

TEST_F(BannerTest, LoadingTheViewParksANewBannerJustBelowTheBottomEdge) {
  EXPECT_EQ(controller->adBannerView(), banner);
  EXPECT_EQ(mainView->subviews, std::vector<std::shared_ptr<View>>{banner});
  EXPECT_EQ(banner->frame(), (Rect{0, 460, 320, 50})) << "y is the height of the main view's frame";
  EXPECT_EQ(banner->delegate().lock(), controller);
  EXPECT_EQ(banner->requiredContentSizeIdentifiers(),
            (std::set<std::string>{ADBannerContentSizeIdentifierPortrait, ADBannerContentSizeIdentifierLandscape}));
  EXPECT_EQ(content->frame(), (Rect{0, 0, 320, 460})) << "no layout before the first report";
  EXPECT_TRUE(fake.animator->durations.empty());
}

TEST_F(BannerTest, ALoadedBannerSlidesInAndTheContentGivesUpItsHeight) {
  banner->loaded = true;
  controller->bannerViewDidLoadAd(*banner);
  EXPECT_EQ(content->frame(), (Rect{0, 0, 320, 410}));
  EXPECT_EQ(banner->frame(), (Rect{0, 410, 320, 50}));
  EXPECT_EQ(fake.animator->durations, std::vector<double>{0.5});
  EXPECT_EQ(banners->made.size(), 1u) << "the load handler makes no replacement banner";
}

TEST_F(BannerTest, AFailureTakesTheBannerBackOut) {
  banner->loaded = true;
  controller->bannerViewDidLoadAd(*banner);
  banner->loaded = false;
  controller->bannerViewDidFailToReceiveAdWithError(*banner, "gone");
  EXPECT_EQ(content->frame(), (Rect{0, 0, 320, 460}));
  EXPECT_EQ(banner->frame(), (Rect{0, 460, 320, 50}));
  EXPECT_EQ(fake.animator->durations.size(), 2u);
}

TEST_F(BannerTest, ReservedHeightIsTheSizeForTheIdentifierNotTheFrame) {
  banner->loaded = true;
  banner->current = ADBannerContentSizeIdentifierLandscape;  // 32 high, the frame still 50
  controller->bannerViewDidLoadAd(*banner);
  EXPECT_EQ(content->frame(), (Rect{0, 0, 320, 428}));
  EXPECT_EQ(banner->frame(), (Rect{0, 428, 320, 50}));
}

// The question whether the screen may turn runs no layout; the next one uses the new identifier's
// height (the Qt screens run it once the window has turned: main_screen_qt_test).
TEST_F(BannerTest, TheQuestionAloneRunsNoLayoutTheNextOneTakesTheNewHeight) {
  banner->loaded = true;
  controller->bannerViewDidLoadAd(*banner);
  EXPECT_TRUE(controller->shouldAutorotateToInterfaceOrientation(InterfaceOrientationLandscapeRight));
  EXPECT_EQ(fake.animator->durations.size(), 1u);
  mainView->setFrame({0, 0, 460, 320});
  controller->adjustBannerView();
  EXPECT_EQ(content->frame(), (Rect{0, 0, 460, 288}));
  EXPECT_EQ(banner->frame().y, 288);
  EXPECT_EQ(fake.animator->durations, (std::vector<double>{0.5, 0.5}));
}

TEST_F(BannerTest, BannerYIsTheContentHeightEvenWithAnOffsetBounds) {
  // A main view whose bounds do not start at 0 (a scrolled view): the rule uses the height alone.
  class Offset : public FakeView {
   public:
    Rect bounds() const override { return {5, 7, 300, 400}; }
  };
  auto offsetView = std::make_shared<Offset>();
  controller->setView(offsetView);
  banner->loaded = true;
  controller->adjustBannerView();
  EXPECT_EQ(content->frame(), (Rect{5, 7, 300, 350}));
  EXPECT_EQ(banner->frame(), (Rect{0, 350, 320, 50}));
}

TEST_F(BannerTest, TheAnimationSetsTheBannerBeforeTheContentAndFetchesThemWhenItRuns) {
  std::vector<std::string> order;
  class Watching : public FakeView {
   public:
    Watching(std::vector<std::string>& order, std::string name) : order_(order), name_(std::move(name)) {}
    void setFrame(const Rect& f) override {
      order_.push_back(name_);
      FakeView::setFrame(f);
    }

   private:
    std::vector<std::string>& order_;
    std::string name_;
  };
  // Hold the block, swap the content view, then run it: the block uses the views of that moment.
  fake.animator->holding = true;
  banner->loaded = true;
  controller->adjustBannerView();
  auto later = std::make_shared<Watching>(order, "content");
  controller->setContentView(later);
  std::weak_ptr<MainViewController> weak = controller;
  controller.reset();
  ASSERT_FALSE(weak.expired()) << "the block keeps the controller alive";
  const int bannerCalls = banner->setFrameCalls;
  ASSERT_EQ(fake.animator->held.size(), 1u);
  fake.animator->held.back()();
  EXPECT_EQ(banner->setFrameCalls, bannerCalls + 1);
  EXPECT_EQ(order, std::vector<std::string>{"content"});
  EXPECT_EQ(later->frame(), (Rect{0, 0, 320, 410}));
}

TEST(BannerWithoutViews, MissingMainViewAndBannerReadAsZeros) {
  fakes::FakeServices fake;
  auto banners = std::make_shared<fakes::FakeBannerService>();
  fake.banners = banners;
  auto controller = std::make_shared<MainViewController>(fake.stopwatch(), fake.mainScreen());
  controller->viewDidLoad();  // no main view: the banner goes to y 0
  EXPECT_EQ(banners->made.back()->frame(), (Rect{0, 0, 320, 50}));
  controller->setAdBannerView(nullptr);
  controller->adjustBannerView();  // no banner: not loaded, nothing moves, nothing breaks
  EXPECT_EQ(fake.animator->durations.size(), 1u);
  EXPECT_TRUE(controller->shouldAutorotateToInterfaceOrientation(InterfaceOrientationLandscapeRight));
}

struct Orientation {
  long value;
  bool portrait;
};

class Rotation : public BannerTest, public ::testing::WithParamInterface<Orientation> {};

TEST_P(Rotation, PortraitForOneAndTwoLandscapeForEverythingElse) {
  content->setFrameCalls = 0;
  const Rect before = banner->frame();
  EXPECT_TRUE(controller->shouldAutorotateToInterfaceOrientation(InterfaceOrientation{GetParam().value}));
  EXPECT_EQ(banner->currentContentSizeIdentifier(),
            GetParam().portrait ? ADBannerContentSizeIdentifierPortrait : ADBannerContentSizeIdentifierLandscape);
  EXPECT_EQ(banner->frame(), before) << "a rotation alone moves nothing";
  EXPECT_EQ(content->setFrameCalls, 0);
}

INSTANTIATE_TEST_SUITE_P(Values, Rotation,
                         ::testing::Values(Orientation{0, false}, Orientation{1, true}, Orientation{2, true},
                                           Orientation{3, false}, Orientation{4, false}, Orientation{5, false},
                                           Orientation{-1, false}, Orientation{1L << 40, false},
                                           Orientation{std::numeric_limits<long>::min(), false}));

// ---- the information screen and the store links ----

class NavigationTest : public ::testing::Test {
 protected:
  // The main screen's dismissals of the screen it presented: animated or not.
  void SetUp() override {
    main->setDismissal([this](bool animated) { dismissed.push_back(animated); });
  }
  fakes::FakeServices fake;
  std::vector<bool> dismissed;
  std::shared_ptr<MainViewController> main = std::make_shared<MainViewController>(fake.stopwatch(), fake.mainScreen());
  std::shared_ptr<FlipsideViewController> info = std::make_shared<FlipsideViewController>(fake.urls);
};

struct SegueCase {
  std::optional<std::string> identifier;
  bool connects;
};

class SegueIdentifier : public NavigationTest, public ::testing::WithParamInterface<SegueCase> {};

TEST_P(SegueIdentifier, OnlyTheExactIdentifierMakesTheMainScreenTheDelegate) {
  main->prepareForSegue(GetParam().identifier, info);
  EXPECT_EQ(info->delegate() == main, GetParam().connects);
}

INSTANTIATE_TEST_SUITE_P(Identifiers, SegueIdentifier,
                         ::testing::Values(SegueCase{"showAlternate", true}, SegueCase{"ShowAlternate", false},
                                           SegueCase{"showalternate", false}, SegueCase{"showAlternate ", false},
                                           SegueCase{"", false}, SegueCase{std::nullopt, false}));

TEST_F(NavigationTest, AShowAlternateSegueWithoutADestinationIsLeftAlone) {
  main->prepareForSegue(std::string("showAlternate"), nullptr);  // no crash, nothing to connect
  EXPECT_TRUE(dismissed.empty());
  // The screen is none the worse: the next segue to the information screen connects it.
  main->prepareForSegue(std::string("showAlternate"), info);
  EXPECT_EQ(info->delegate(), main);
}

TEST_F(NavigationTest, DoneAsksTheDelegateToDismissWithAnimation) {
  main->prepareForSegue(std::string("showAlternate"), info);
  info->done();
  EXPECT_EQ(dismissed, std::vector<bool>{true});
  // Whichever screen it is handed, the main screen dismisses the one it presented.
  FlipsideViewController other(fake.urls);
  main->flipsideViewControllerDidFinish(other);
  EXPECT_EQ(dismissed, (std::vector<bool>{true, true}));
}

TEST_F(NavigationTest, DoneWithoutADelegateDoesNothing) {
  info->done();
  main->prepareForSegue(std::string("showAlternate"), info);
  main.reset();  // the delegate is held weakly: once gone, done does nothing
  EXPECT_EQ(info->delegate(), nullptr);
  info->done();
  EXPECT_TRUE(dismissed.empty());
}

TEST_F(NavigationTest, StoreLinksOpenOncePerUseInTheirFixedForms) {
  main->paid();
  info->more();
  main->paid();
  ASSERT_EQ(fake.urls->opened.size(), 3u);
  EXPECT_EQ(fake.urls->opened[0], std::string("http://") + build::kStoreHost + "/us/app/" + build::kAppStoreSlug +
                                      "/id" + std::to_string(build::kAppStoreId) + "?mt=8");
  EXPECT_EQ(fake.urls->opened[1], std::string("http://") + build::kStoreHost + "/us/artist/" + build::kArtistStoreSlug +
                                      "/id" + std::to_string(build::kArtistStoreId) + "?uo=4");
  EXPECT_EQ(fake.urls->opened[2], fake.urls->opened[0]);
  fake.urls->result = false;  // the system refuses: nothing else happens
  main->paid();
  EXPECT_EQ(fake.urls->opened.size(), 4u);
}

}  // namespace
}  // namespace storm
