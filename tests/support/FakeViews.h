#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "screens/Map.h"
#include "screens/View.h"

// In-memory views for tests: they remember what was set and record the calls made on them.

namespace storm::fakes {

template <class Interface>
class FakeViewOf : public Interface {
 public:
  Rect frame() const override { return frame_; }
  void setFrame(const Rect& frame) override {
    frame_ = frame;
    ++setFrameCalls;
  }
  Rect bounds() const override { return {0, 0, frame_.width, frame_.height}; }
  void addSubview(const std::shared_ptr<View>& view) override { subviews.push_back(view); }
  unsigned autoresizingMask() const override { return mask_; }
  void setAutoresizingMask(unsigned mask) override { mask_ = mask; }

  std::vector<std::shared_ptr<View>> subviews;
  int setFrameCalls = 0;

 protected:
  Rect frame_;
  unsigned mask_ = 0;
};

using FakeView = FakeViewOf<View>;

class FakeLabel : public FakeViewOf<Label> {
 public:
  std::string text() const override { return text_; }
  void setText(const std::string& text) override {
    text_ = text;
    history.push_back(text);
  }
  std::vector<std::string> history;

 private:
  std::string text_;
};

class FakeButton : public FakeViewOf<Button> {
 public:
  std::string title(ControlState state) const override {
    auto it = titles_.find(state);
    return it == titles_.end() ? std::string() : it->second;
  }
  void setTitle(const std::string& title, ControlState state) override { titles_[state] = title; }

 private:
  std::map<unsigned, std::string> titles_;
};

class FakeSegmentedControl : public FakeViewOf<SegmentedControl> {
 public:
  int selectedSegmentIndex() const override {
    ++reads;
    return index_;
  }
  void setSelectedSegmentIndex(int index) override { index_ = index; }
  mutable int reads = 0;

 private:
  int index_ = 0;
};

// A map that records every call in order, by name.
class FakeMapView : public FakeViewOf<MKMapView> {
 public:
  std::shared_ptr<MKUserLocation> userLocation() const override {
    calls.push_back("userLocation");
    return location ? std::make_shared<MKUserLocation>(*location) : nullptr;
  }
  GeoRegion region() const override { return region_; }
  GeoRegion regionThatFits(const GeoRegion& region) const override {
    calls.push_back("regionThatFits");
    askedToFit = region;
    // A recognisable adjustment: the span grows by half.
    return {region.center, {region.span.latitudeDelta * 1.5, region.span.longitudeDelta * 1.5}};
  }
  void setRegion(const GeoRegion& region, bool animated) override {
    calls.push_back(animated ? "setRegion:animated" : "setRegion");
    region_ = region;
  }
  std::vector<std::shared_ptr<MKOverlay>> overlays() const override {
    calls.push_back("overlays");
    return overlays_;
  }
  void addOverlay(const std::shared_ptr<MKOverlay>& overlay) override {
    calls.push_back("addOverlay");
    overlays_.push_back(overlay);
  }
  void removeOverlays(const std::vector<std::shared_ptr<MKOverlay>>& overlays) override {
    calls.push_back("removeOverlays");
    for (const auto& o : overlays) std::erase(overlays_, o);
  }
  std::weak_ptr<MKMapViewDelegate> delegate() const override { return delegate_; }
  void setDelegate(std::weak_ptr<MKMapViewDelegate> delegate) override {
    calls.push_back("setDelegate");
    delegate_ = std::move(delegate);
  }
  MKMapType mapType() const override { return type_; }
  void setMapType(MKMapType type) override {
    calls.push_back("setMapType");
    type_ = type;
  }
  void setAutoresizingMask(unsigned mask) override {
    calls.push_back("setAutoresizingMask");
    mask_ = mask;
  }

  std::optional<GeoPoint> location;
  mutable std::vector<std::string> calls;
  mutable GeoRegion askedToFit;

 private:
  GeoRegion region_;
  std::vector<std::shared_ptr<MKOverlay>> overlays_;
  std::weak_ptr<MKMapViewDelegate> delegate_;
  MKMapType type_ = MKMapTypeStandard;
};

}  // namespace storm::fakes
