#include "kit/qt/MapViewAdapter.h"

#include "map/qt/MapWidget.h"
#include "kit/qt/QtViews.h"

namespace storm::qt {

namespace {

class QtMapView : public QtView<MKMapView> {
 public:
  explicit QtMapView(MapWidget* widget) : QtView(widget) {}
  MapWidget* map() const { return qobject_cast<MapWidget*>(widget_.data()); }

  std::shared_ptr<MKUserLocation> userLocation() const override {
    auto* m = map();
    if (!m || !m->userLocation()) return nullptr;
    return std::make_shared<MKUserLocation>(*m->userLocation(), m->userLocationAccuracy());
  }
  MKCoordinateRegion region() const override { return map() ? map()->region() : MKCoordinateRegion{}; }
  MKCoordinateRegion regionThatFits(const MKCoordinateRegion& region) const override {
    return map() ? map()->regionThatFits(region) : MKCoordinateRegion{};
  }
  void setRegion(const MKCoordinateRegion& region, bool animated) override {
    if (auto* m = map()) m->setRegion(region, animated);
  }
  std::vector<std::shared_ptr<MKOverlay>> overlays() const override {
    return map() ? map()->overlays() : std::vector<std::shared_ptr<MKOverlay>>{};
  }
  void addOverlay(const std::shared_ptr<MKOverlay>& overlay) override {
    if (auto* m = map()) m->addOverlay(overlay);
  }
  void removeOverlays(const std::vector<std::shared_ptr<MKOverlay>>& overlays) override {
    if (auto* m = map()) m->removeOverlays(overlays);
  }
  std::weak_ptr<MKMapViewDelegate> delegate() const override { return delegate_; }
  void setDelegate(std::weak_ptr<MKMapViewDelegate> delegate) override {
    delegate_ = std::move(delegate);
    if (auto* m = map()) m->update();
  }
  MKMapType mapType() const override { return map() ? map()->mapType() : MKMapTypeStandard; }
  void setMapType(MKMapType type) override {
    if (auto* m = map()) m->setMapType(type);
  }

 private:
  std::weak_ptr<MKMapViewDelegate> delegate_;
};

}  // namespace

std::shared_ptr<MKMapView> makeMapView(MapWidget* widget) {
  auto view = std::make_shared<QtMapView>(widget);
  if (widget) {
    widget->setOverlayViewProvider([weak = std::weak_ptr<QtMapView>(view)](
                                       const std::shared_ptr<MKOverlay>& overlay) -> std::shared_ptr<MKOverlayView> {
      auto self = weak.lock();
      if (!self) return nullptr;
      auto delegate = self->delegate().lock();
      return delegate ? delegate->mapViewViewForOverlay(*self, overlay) : nullptr;
    });
  }
  return view;
}

}  // namespace storm::qt
