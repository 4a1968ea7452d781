#pragma once

#include <memory>
#include <set>
#include <string>

#include "screens/View.h"
#include "system/Geometry.h"

// The advertising service: a banner view that loads advertisements by itself and reports to its
// delegate, in one of two content sizes.

namespace storm {

inline const std::string ADBannerContentSizeIdentifierPortrait = "ADBannerContentSizeIdentifierPortrait";
inline const std::string ADBannerContentSizeIdentifierLandscape = "ADBannerContentSizeIdentifierLandscape";

class ADBannerView;

class ADBannerViewDelegate {
 public:
  virtual ~ADBannerViewDelegate() = default;
  virtual void bannerViewDidLoadAd(ADBannerView& banner) = 0;
  virtual void bannerViewDidFailToReceiveAdWithError(ADBannerView& banner, const std::string& error) = 0;
  // Whether the advertisement's action (opening its link) may run.
  virtual bool bannerViewActionShouldBeginWillLeaveApplication(ADBannerView& banner, bool willLeave) = 0;
  virtual void bannerViewActionDidFinish(ADBannerView& banner) = 0;
};

class ADBannerView : public View {
 public:
  virtual std::weak_ptr<ADBannerViewDelegate> delegate() const = 0;
  virtual void setDelegate(std::weak_ptr<ADBannerViewDelegate> delegate) = 0;
  virtual std::set<std::string> requiredContentSizeIdentifiers() const = 0;
  virtual void setRequiredContentSizeIdentifiers(const std::set<std::string>& identifiers) = 0;
  virtual std::string currentContentSizeIdentifier() const = 0;
  virtual void setCurrentContentSizeIdentifier(const std::string& identifier) = 0;
  // Whether the banner has an advertisement to show.
  virtual bool isBannerLoaded() const = 0;
};

// The banner class's own operations.
class ADBannerService {
 public:
  virtual ~ADBannerService() = default;
  // A new banner; its frame then reports the platform's banner rectangle.
  virtual std::shared_ptr<ADBannerView> initWithFrame(const Rect& frame) = 0;
  // Width and height of a banner of that content size (zero for an unknown identifier).
  virtual Size sizeFromBannerContentSizeIdentifier(const std::string& identifier) const = 0;
};

}  // namespace storm
