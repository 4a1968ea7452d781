// The banner half of the main screen: the banner waits below the bottom edge and slides in at
// the foot of the screen, shortening the content view, while it has an advertisement to show.

#include "screens/Nil.h"
#include "screens/MainViewController.h"

namespace storm {

namespace {
constexpr double kBannerAnimationSeconds = 0.5;
}

void MainViewController::viewDidLoad() {
  createAdBannerView();
  send(view(), &View::addSubview, std::static_pointer_cast<View>(adBannerView_));
}

void MainViewController::createAdBannerView() {
  adBannerView_ = send(services_.banners, &ADBannerService::initWithFrame, RectZero);
  const Rect banner = send(adBannerView_, &View::frame);
  const float height = send(view(), &View::frame).height;
  send(adBannerView_, &View::setFrame, Rect{banner.x, height, banner.width, banner.height});
  send(adBannerView_, &ADBannerView::setDelegate,
       std::weak_ptr<ADBannerViewDelegate>(shared_from_this()));
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

}  // namespace storm
