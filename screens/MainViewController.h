#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "measure/Measurement.h"
#include "measure/Stopwatch.h"
#include "screens/AdBanner.h"
#include "screens/FlipsideViewController.h"
#include "screens/Map.h"
#include "screens/View.h"
#include "system/DateFormatter.h"
#include "system/URLOpener.h"

// The main screen's controller: the stopwatch button with its time and distance labels, the storm
// map with its distance circle and type selector, the advertising banner at its foot, and the ways
// to the information screen and the store. Its Qt screen (screens/qt/MainScreen.h) gives it its
// views and calls its actions. What the map shows of the storm besides the circle, and the strike
// history its button opens, are the storm feature's own.

namespace storm {

// The screen's orientations as the system numbers them; a value outside these may arrive too.
enum InterfaceOrientation : long {
  InterfaceOrientationPortrait = 1,
  InterfaceOrientationPortraitUpsideDown = 2,
  InterfaceOrientationLandscapeRight = 3,
  InterfaceOrientationLandscapeLeft = 4,
};

// The identifier of the way to the information screen.
inline constexpr char kShowAlternateSegue[] = "showAlternate";

class MainViewController : public MKMapViewDelegate,
                           public ADBannerViewDelegate,
                           public FlipsideViewControllerDelegate,
                           public std::enable_shared_from_this<MainViewController> {
 public:
  // The services the screen uses; any may be missing, and what needs it then does nothing.
  struct Services {
    std::shared_ptr<DateFormatterFactory> dateFormatters;
    std::shared_ptr<ADBannerService> banners;
    std::shared_ptr<Animator> animator;
    std::shared_ptr<URLOpener> urlOpener;
  };

  // `stopwatch` is the application's one stopwatch, shared by every main screen.
  MainViewController(std::shared_ptr<Stopwatch> stopwatch, Services services)
      : stopwatch_(std::move(stopwatch)), services_(std::move(services)) {}

  const Stopwatch& stopwatch() const { return *stopwatch_; }
  // The main view, held strongly.
  std::shared_ptr<View> view() const { return view_; }
  void setView(std::shared_ptr<View> view) { view_ = std::move(view); }
  // How the screen this one presented is closed (`animated` or at once); set by whoever shows it.
  void setDismissal(std::function<void(bool animated)> dismiss) { dismiss_ = std::move(dismiss); }

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

  // The stopwatch: the main button's action and the tick.
  void button();
  void updateTimer();
  // Escape while timing: the measurement is dropped as if never started (the time and distance it
  // replaced are shown again); nothing is recorded.
  void cancel();
  // Centres the map on the user, fits a circle of `kilometres` radius and draws it.
  void updateStormCircle(float kilometres);
  std::shared_ptr<MKOverlayView> mapViewViewForOverlay(MKMapView& mapView,
                                                       const std::shared_ptr<MKOverlay>& overlay) override;
  // The map-type selector's action; it reads the selector through its outlet, not the sender. (The
  // sender tells it from the outlet's getter of the same name.)
  void switcher(SegmentedControl* sender);

  // The banner: created below the bottom edge when the view loads, moved in and out at each
  // report of the advertising service.
  void viewDidLoad();
  void viewDidUnload() {}
  void createAdBannerView();
  void adjustBannerView();
  void bannerViewDidLoadAd(ADBannerView& banner) override;
  void bannerViewDidFailToReceiveAdWithError(ADBannerView& banner, const std::string& error) override;
  bool bannerViewActionShouldBeginWillLeaveApplication(ADBannerView& banner, bool willLeave) override;
  void bannerViewActionDidFinish(ADBannerView& banner) override;
  // Picks the banner's size for the orientation; every orientation is allowed.
  bool shouldAutorotateToInterfaceOrientation(InterfaceOrientation orientation);

  // Navigation: the information screen and the store. `identifier` is the way's (none: it has
  // none); `destination` the screen about to show.
  void prepareForSegue(const std::optional<std::string>& identifier,
                       const std::shared_ptr<FlipsideViewController>& destination);
  void flipsideViewControllerDidFinish(FlipsideViewController& controller) override;
  void dismissModalViewControllerAnimated(bool animated);
  void paid();

 private:
  const std::shared_ptr<Stopwatch> stopwatch_;
  const Services services_;
  std::shared_ptr<View> view_;
  std::function<void(bool)> dismiss_;
  std::weak_ptr<Label> time_;
  std::weak_ptr<Label> dist_;
  // The time and distance a start replaced, shown again if that start is cancelled.
  std::string replacedTime_, replacedDist_;
  std::weak_ptr<Button> buttonP_;
  std::weak_ptr<SegmentedControl> switcher_;
  std::weak_ptr<MKMapView> mapView_;
  std::shared_ptr<View> contentView_;
  std::shared_ptr<ADBannerView> adBannerView_;
};

}  // namespace storm
