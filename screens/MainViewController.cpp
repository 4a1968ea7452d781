// The main screen's controller: the stopwatch's two presses and its tick, the storm map's circle
// and type, the banner at the screen's foot, and the ways to the information screen and the store.

#include "screens/MainViewController.h"

#include "measure/Measurement.h"
#include "measure/Stopwatch.h"
#include "screens/Nil.h"
#include "screens/StoreLinks.h"
#include "system/NumberParsing.h"

namespace storm {

namespace {
constexpr unsigned kMapAutoresizing = AutoresizingFlexibleWidth | AutoresizingFlexibleHeight;  // 18
constexpr double kBannerAnimationSeconds = 0.5;
}  // namespace

// ---- the stopwatch ----

void MainViewController::button() {
  Stopwatch& state = *stopwatch_;
  const int32_t phase = state.measurementPhase;
  if (phase == MeasurementPhaseTiming) {
    state.stopTicking();
    updateTimer();
    const float seconds = floatValue(send(time_, &Label::text));
    const Measurement measurement = state.measurement(seconds);
    updateStormCircle(measurement.distance.kilometres);
    send(dist_, &Label::setText, distanceText(measurement.distance));
    send(buttonP_, &Button::setTitle, std::string(kTitleIdle), ControlStateNormal);
    // Idle again; then the storm feature hears of the strike and logs it. The result on screen
    // never waits for that.
    state.finish(measurement);
  } else if (phase == MeasurementPhaseIdle) {
    replacedTime_ = send(time_, &Label::text);
    replacedDist_ = send(dist_, &Label::text);
    send(dist_, &Label::setText, std::string());
    // The timer keeps its target alive, as a scheduled timer does.
    auto self = shared_from_this();
    state.start([self] { self->updateTimer(); });
    send(buttonP_, &Button::setTitle, std::string(kTitleTiming), ControlStateNormal);
    state.setMeasurementPhase(MeasurementPhaseTiming);
  }
}

void MainViewController::cancel() {
  if (stopwatch_->measurementPhase != MeasurementPhaseTiming) return;
  // A start by mistake is taken back whole: the result it replaced comes back (the map kept its
  // circle all along).
  stopwatch_->reset();
  send(time_, &Label::setText, replacedTime_);
  send(dist_, &Label::setText, replacedDist_);
  send(buttonP_, &Button::setTitle, std::string(kTitleIdle), ControlStateNormal);
}

void MainViewController::updateTimer() {
  if (!services_.dateFormatters) return;
  send(time_, &Label::setText, elapsedText(stopwatch_->elapsed(), *services_.dateFormatters));
}

// ---- the storm map ----

void MainViewController::updateStormCircle(float kilometres) {
  auto map = mapView_.lock();
  if (!map) return;
  const double radius = static_cast<double>(kilometres * 1000.0f);
  const double extent = static_cast<double>(kilometres * 2000.0f);

  // Without any position there is nowhere to draw the circle: the map stays where the user left it
  // and the distance alone is shown. The circle of an earlier strike goes, so that it does not pass
  // for this one's.
  const std::shared_ptr<MKUserLocation> user = map->userLocation();
  if (!user) {
    map->removeOverlays(map->overlays());
    return;
  }
  const double latitude = user->coordinate().latitude;
  const double longitude = send(map->userLocation(), &MKUserLocation::coordinate).longitude;
  const MKCoordinateRegion region = MKCoordinateRegionMakeWithDistance({latitude, longitude}, extent, extent);
  const MKCoordinateRegion fitted = map->regionThatFits(region);
  map->setAutoresizingMask(kMapAutoresizing);
  map->setRegion(fitted, true);
  const CLLocationCoordinate2D center = send(map->userLocation(), &MKUserLocation::coordinate);
  auto circle = MKCircle::circleWithCenterCoordinate(center, radius);
  map->removeOverlays(map->overlays());
  map->addOverlay(circle);
  map->setDelegate(shared_from_this());
}

std::shared_ptr<MKOverlayView> MainViewController::mapViewViewForOverlay(MKMapView&,
                                                                         const std::shared_ptr<MKOverlay>& overlay) {
  auto view = std::make_shared<MKCircleView>(overlay);
  view->setStrokeColor(Color::blackColor().colorWithAlphaComponent(0.5f));
  view->setFillColor(Color::redColor().colorWithAlphaComponent(0.25f));
  return view;
}

void MainViewController::switcher(SegmentedControl*) {
  if (send(switcher_, &SegmentedControl::selectedSegmentIndex) == 0)
    send(mapView_, &MKMapView::setMapType, MKMapTypeStandard);
  if (send(switcher_, &SegmentedControl::selectedSegmentIndex) == 1)
    send(mapView_, &MKMapView::setMapType, MKMapTypeSatellite);
  if (send(switcher_, &SegmentedControl::selectedSegmentIndex) == 2)
    send(mapView_, &MKMapView::setMapType, MKMapTypeHybrid);
}

// ---- the banner: it waits below the bottom edge and slides in at the foot of the screen,
// shortening the content view, while it has an advertisement to show ----

void MainViewController::viewDidLoad() {
  createAdBannerView();
  send(view(), &View::addSubview, std::static_pointer_cast<View>(adBannerView_));
}

void MainViewController::createAdBannerView() {
  adBannerView_ = send(services_.banners, &ADBannerService::initWithFrame, RectZero);
  const Rect banner = send(adBannerView_, &View::frame);
  const float height = send(view(), &View::frame).height;
  send(adBannerView_, &View::setFrame, Rect{banner.x, height, banner.width, banner.height});
  send(adBannerView_, &ADBannerView::setDelegate, std::weak_ptr<ADBannerViewDelegate>(shared_from_this()));
  send(adBannerView_, &ADBannerView::setRequiredContentSizeIdentifiers,
       std::set<std::string>{ADBannerContentSizeIdentifierPortrait, ADBannerContentSizeIdentifierLandscape});
}

void MainViewController::adjustBannerView() {
  Rect content = send(view(), &View::bounds);
  Rect banner = send(adBannerView_, &View::frame);
  if (send(adBannerView_, &ADBannerView::isBannerLoaded)) {
    const Size reserved = send(services_.banners, &ADBannerService::sizeFromBannerContentSizeIdentifier,
                               send(adBannerView_, &ADBannerView::currentContentSizeIdentifier));
    content.height -= reserved.height;
    banner.y = content.height;
  } else {
    banner.y = content.height;
  }
  // The block keeps the controller alive and fetches the views when it runs.
  auto self = shared_from_this();
  send(services_.animator, &Animator::animateWithDuration, kBannerAnimationSeconds, [self, banner, content] {
    send(self->adBannerView(), &View::setFrame, banner);
    send(self->contentView(), &View::setFrame, content);
  });
}

void MainViewController::bannerViewDidLoadAd(ADBannerView&) {
  // The banner on screen stays the one laid out; no replacement banner is made here.
  adjustBannerView();
}

void MainViewController::bannerViewDidFailToReceiveAdWithError(ADBannerView&, const std::string&) {
  adjustBannerView();
}

bool MainViewController::bannerViewActionShouldBeginWillLeaveApplication(ADBannerView&, bool) { return true; }

void MainViewController::bannerViewActionDidFinish(ADBannerView&) {}

bool MainViewController::shouldAutorotateToInterfaceOrientation(InterfaceOrientation orientation) {
  // Everything but the two portrait orientations, unknown values too, is landscape.
  const bool landscape =
      orientation != InterfaceOrientationPortrait && orientation != InterfaceOrientationPortraitUpsideDown;
  send(adBannerView_, &ADBannerView::setCurrentContentSizeIdentifier,
       landscape ? ADBannerContentSizeIdentifierLandscape : ADBannerContentSizeIdentifierPortrait);
  return true;
}

// ---- navigation: the information screen and the store's product page ----

void MainViewController::prepareForSegue(const std::optional<std::string>& identifier,
                                         const std::shared_ptr<FlipsideViewController>& destination) {
  if (identifier != kShowAlternateSegue || !destination) return;
  destination->setDelegate(shared_from_this());
}

void MainViewController::flipsideViewControllerDidFinish(FlipsideViewController&) {
  dismissModalViewControllerAnimated(true);
}

void MainViewController::dismissModalViewControllerAnimated(bool animated) {
  if (dismiss_) dismiss_(animated);
}

void MainViewController::paid() { send(services_.urlOpener, &URLOpener::openURL, productPageURL()); }

}  // namespace storm
