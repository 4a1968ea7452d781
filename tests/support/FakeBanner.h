#pragma once

#include <map>
#include <memory>
#include <string>

#include "screens/AdBanner.h"
#include "support/FakeViews.h"

// A banner and its service for tests: the test decides what the banner reports.

namespace storm::fakes {

class FakeBannerView : public FakeViewOf<ADBannerView> {
 public:
  std::weak_ptr<ADBannerViewDelegate> delegate() const override { return delegate_; }
  void setDelegate(std::weak_ptr<ADBannerViewDelegate> d) override { delegate_ = std::move(d); }
  std::set<std::string> requiredContentSizeIdentifiers() const override { return required_; }
  void setRequiredContentSizeIdentifiers(const std::set<std::string>& ids) override { required_ = ids; }
  std::string currentContentSizeIdentifier() const override { return current; }
  void setCurrentContentSizeIdentifier(const std::string& id) override { current = id; }
  bool isBannerLoaded() const override { return loaded; }

  bool loaded = false;
  std::string current = ADBannerContentSizeIdentifierPortrait;

 private:
  std::weak_ptr<ADBannerViewDelegate> delegate_;
  std::set<std::string> required_;
};

class FakeBannerService : public ADBannerService {
 public:
  std::shared_ptr<ADBannerView> initWithFrame(const Rect&) override {
    auto banner = std::make_shared<FakeBannerView>();
    banner->setFrame(initialFrame);
    banner->setFrameCalls = 0;
    made.push_back(banner);
    return banner;
  }
  Size sizeFromBannerContentSizeIdentifier(const std::string& id) const override {
    auto it = sizes.find(id);
    return it == sizes.end() ? Size{} : it->second;
  }

  Rect initialFrame{0, 0, 320, 50};
  std::map<std::string, Size> sizes{{ADBannerContentSizeIdentifierPortrait, {320, 50}},
                                    {ADBannerContentSizeIdentifierLandscape, {480, 32}}};
  std::vector<std::shared_ptr<FakeBannerView>> made;
};

}  // namespace storm::fakes
