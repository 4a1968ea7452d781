#include "screens/qt/MapViewAdapter.h"

#include <algorithm>

#include "screens/qt/QtViews.h"
#include "map/qt/MapWidget.h"

namespace storm::qt {

namespace {

QColor toQColor(const Color& c) { return QColor::fromRgbF(c.red, c.green, c.blue, c.alpha); }

// The map's own words for what an overlay view says of a circle's look.
MapCircleStyle styleOf(const MKOverlayView& view) {
  MapCircleStyle style;
  if (auto stroke = view.strokeColor()) style.stroke = toQColor(*stroke);
  if (auto fill = view.fillColor()) style.fill = toQColor(*fill);
  return style;
}

class QtMapView : public QtView<MKMapView> {
 public:
  explicit QtMapView(MapWidget* widget) : QtView(widget) {}
  MapWidget* map() const { return qobject_cast<MapWidget*>(widget_.data()); }
  void setSelf(std::weak_ptr<QtMapView> self) { self_ = std::move(self); }

  std::shared_ptr<MKUserLocation> userLocation() const override {
    auto* m = map();
    if (!m || !m->model().userLocation()) return nullptr;
    return std::make_shared<MKUserLocation>(*m->model().userLocation(), m->model().userLocationAccuracy());
  }
  MKCoordinateRegion region() const override { return map() ? map()->model().region() : MKCoordinateRegion{}; }
  MKCoordinateRegion regionThatFits(const MKCoordinateRegion& region) const override {
    return map() ? map()->model().regionThatFits(region) : MKCoordinateRegion{};
  }
  void setRegion(const MKCoordinateRegion& region, bool animated) override {
    if (auto* m = map()) m->model().setRegion(region, animated);
  }
  std::vector<std::shared_ptr<MKOverlay>> overlays() const override {
    std::vector<std::shared_ptr<MKOverlay>> all;
    if (!map()) return all;
    for (const Entry& entry : entries_) all.push_back(entry.overlay);
    return all;
  }
  // A circle goes onto the map, styled by the delegate's view for it once the map first draws it;
  // an overlay of another shape is kept, as the platform would, but the map has nothing to draw.
  void addOverlay(const std::shared_ptr<MKOverlay>& overlay) override {
    auto* m = map();
    if (!m || !overlay) return;
    std::optional<MapCircleId> id;
    if (auto circle = std::dynamic_pointer_cast<MKCircle>(overlay))
      id = m->model().addCircle(circle->coordinate(), circle->radius(), styleSource(overlay));
    entries_.push_back({overlay, id});
  }
  void removeOverlays(const std::vector<std::shared_ptr<MKOverlay>>& overlays) override {
    auto* m = map();
    if (!m) return;
    for (const auto& overlay : overlays) {
      std::erase_if(entries_, [&](const Entry& entry) {
        if (entry.overlay != overlay) return false;
        if (entry.circle) m->model().removeCircle(*entry.circle);
        return true;
      });
    }
  }
  std::weak_ptr<MKMapViewDelegate> delegate() const override { return delegate_; }
  void setDelegate(std::weak_ptr<MKMapViewDelegate> delegate) override {
    delegate_ = std::move(delegate);
    // Circles the map could not style yet are asked about again at the next drawing.
    if (auto* m = map()) m->update();
  }
  MKMapType mapType() const override {
    return map() ? static_cast<MKMapType>(map()->model().mapType()) : MKMapTypeStandard;
  }
  void setMapType(MKMapType type) override {
    if (auto* m = map()) m->model().setMapType(static_cast<MapType>(type));
  }

 private:
  struct Entry {
    std::shared_ptr<MKOverlay> overlay;
    std::optional<MapCircleId> circle;  // what stands for it on the map
  };

  // Asks the delegate for the overlay's view when the map draws the circle, as the platform does.
  MapCircleStyleSource styleSource(const std::shared_ptr<MKOverlay>& overlay) const {
    return [self = self_, overlay]() -> std::optional<MapCircleStyle> {
      auto view = self.lock();
      if (!view) return std::nullopt;
      auto delegate = view->delegate_.lock();
      auto overlayView = delegate ? delegate->mapViewViewForOverlay(*view, overlay) : nullptr;
      if (!overlayView) return std::nullopt;
      return styleOf(*overlayView);
    };
  }

  std::weak_ptr<QtMapView> self_;
  std::weak_ptr<MKMapViewDelegate> delegate_;
  std::vector<Entry> entries_;  // in the order added
};

}  // namespace

std::shared_ptr<MKMapView> makeMapView(MapWidget* widget) {
  auto view = std::make_shared<QtMapView>(widget);
  view->setSelf(view);
  return view;
}

}  // namespace storm::qt
