#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "measure/Measurement.h"
#include "measure/Stopwatch.h"
#include "kit/AdBanner.h"
#include "kit/Map.h"
#include "app/Platform.h"
#include "kit/View.h"
#include "kit/ViewController.h"
#include "screens/FlipsideViewController.h"
#include "screens/HistoryViewController.h"
#include "storm/StormWatch.h"

// The main screen: the stopwatch button with its time and distance labels, the storm map and its
// type selector (with the rings of the hour's earlier strikes and a panel of the storm's trend and
// shelter advice over it), the advertising banner at its foot, and the ways to the information
// screen, the strike history and the store.

namespace storm {

class MainViewController : public ViewController,
                           public MKMapViewDelegate,
                           public ADBannerViewDelegate,
                           public FlipsideViewControllerDelegate,
                           public HistoryViewControllerDelegate {
 public:
  // `stopwatch` is the application's one stopwatch, and `watch` its watch over the storm, shared by
  // every main screen; without a watch the map shows no shelter advice.
  MainViewController(Platform& platform, std::shared_ptr<Stopwatch> stopwatch,
                     std::shared_ptr<StormWatch> watch = nullptr);
  ~MainViewController() override;

  // Outlets: the layout's views, held weakly; the content view strongly.
  std::shared_ptr<Label> time() const { return time_.lock(); }
  void setTime(std::weak_ptr<Label> v) { time_ = std::move(v); }
  std::shared_ptr<Label> dist() const { return dist_.lock(); }
  void setDist(std::weak_ptr<Label> v) { dist_ = std::move(v); }
  std::shared_ptr<Button> buttonP() const { return buttonP_.lock(); }
  void setButtonP(std::weak_ptr<Button> v) { buttonP_ = std::move(v); }
  std::shared_ptr<SegmentedControl> switcher() const { return switcher_.lock(); }
  void setSwitcher(std::weak_ptr<SegmentedControl> v) { switcher_ = std::move(v); }
  std::shared_ptr<MKMapView> mapView() const { return mapView_.lock(); }
  void setMapView(std::weak_ptr<MKMapView> v) { mapView_ = std::move(v); }
  std::shared_ptr<View> contentView() const { return contentView_; }
  void setContentView(std::shared_ptr<View> v) { contentView_ = std::move(v); }
  std::shared_ptr<ADBannerView> adBannerView() const { return adBannerView_; }
  void setAdBannerView(std::shared_ptr<ADBannerView> v) { adBannerView_ = std::move(v); }

  bool setOutlet(std::string_view name, const std::shared_ptr<View>& view) override;

  // The stopwatch: the main button's action and the tick.
  void button(View* sender);
  void updateTimer();
  // Escape while timing: the measurement is dropped as if never started; nothing is recorded.
  void cancel(View* sender);
  // Appends the measurement just shown to the strike log.
  void recordStrike(float seconds, const Distance& distance, double speed);
  // Centres the map on the user, fits a circle of `kilometres` radius and draws it.
  void updateStormCircle(float kilometres);
  std::shared_ptr<MKOverlayView> mapViewViewForOverlay(MKMapView& mapView,
                                                       const std::shared_ptr<MKOverlay>& overlay) override;
  // Hands the map the rings of the last hour's earlier strikes and the panel's lines. The rings
  // and the trend are worked out again only when `everything` is asked for, or a minute after they
  // last were; the countdown every time. Then sets the one timer that calls it again: at the next
  // second of the countdown while sheltering, a minute on while rings or a trend are shown, and
  // not at all otherwise.
  void refreshStorm(bool everything);
  // Has the storm watch refresh the map whenever the storm changes, and refreshes it now.
  void watchStorm();
  // The map-type selector's action.
  void switcher(View* sender);

  // The banner: created below the bottom edge when the view loads, moved in and out at each
  // report of the advertising service.
  void viewDidLoad() override;
  void createAdBannerView();
  void adjustBannerView();
  void bannerViewDidLoadAd(ADBannerView& banner) override;
  void bannerViewDidFailToReceiveAdWithError(ADBannerView& banner, const std::string& error) override;
  bool bannerViewActionShouldBeginWillLeaveApplication(ADBannerView& banner, bool willLeave) override;
  void bannerViewActionDidFinish(ADBannerView& banner) override;
  // Picks the banner's size for the orientation; every orientation is allowed.
  bool shouldAutorotateToInterfaceOrientation(InterfaceOrientation orientation) override;
  void didRotateFromInterfaceOrientation(InterfaceOrientation from) override;

  // Adds the screen's members to the automation `state` answer.
  void registerAutomation(AutomationRegistry& automation);

  // Navigation: the information screen, the history screen and the store.
  void prepareForSegue(StoryboardSegue& segue, View* sender) override;
  void flipsideViewControllerDidFinish(FlipsideViewController& controller) override;
  void historyViewControllerDidFinish(HistoryViewController& controller) override;
  void paid(View* sender);

 protected:
  Action action(std::string_view selector) override;

 private:
  Platform& platform_;
  const std::shared_ptr<Stopwatch> stopwatch_;
  const std::shared_ptr<StormWatch> watch_;
  // The flash time of the strike whose circle the map shows; it gets no ring of its own.
  std::optional<double> circleStrike_;
  std::shared_ptr<Timer> stormTimer_;
  double stormRefreshedAt_ = 0;  // wall-clock time the rings and the trend were last worked out
  bool stormChanges_ = false;    // rings or a trend are on show: they change as time passes
  std::weak_ptr<Label> time_;
  std::weak_ptr<Label> dist_;
  std::weak_ptr<Button> buttonP_;
  std::weak_ptr<SegmentedControl> switcher_;
  std::weak_ptr<MKMapView> mapView_;
  std::shared_ptr<View> contentView_;
  std::shared_ptr<ADBannerView> adBannerView_;
};

}  // namespace storm
