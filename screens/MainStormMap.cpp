// The storm-map half of the main screen: the distance circle, its look, and the map type.

#include "screens/Nil.h"
#include "screens/MainViewController.h"

namespace storm {

namespace {
constexpr unsigned kMapAutoresizing = AutoresizingFlexibleWidth | AutoresizingFlexibleHeight;  // 18
}  // namespace

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

}  // namespace storm
