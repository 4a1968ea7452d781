#include "map/qt/MapModel.h"

#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace storm::qt {

namespace {

constexpr int kAnimationMilliseconds = 400;
constexpr int kCirclePoints = 180;
// Centring on the user zooms in at least this far: some 40 km across a phone-sized map.
constexpr double kCentreLeastZoom = 10;

double wrap360(double lon) {
  lon = std::fmod(lon + 180.0, 360.0);
  if (lon < 0) lon += 360.0;
  return lon - 180.0;
}

Size sizeOf(QSize size) { return {static_cast<float>(size.width()), static_cast<float>(size.height())}; }

}  // namespace

MapModel::MapModel(QObject* parent) : QObject(parent) {
  camera_ = {{20, 0}, 1};
  animation_.setDuration(kAnimationMilliseconds);
  animation_.setStartValue(0.0);
  animation_.setEndValue(1.0);
  animation_.setEasingCurve(QEasingCurve::InOutCubic);
  connect(&animation_, &QVariantAnimation::valueChanged, this,
          [this](const QVariant& v) { applyAnimation(v.toDouble()); });
  connect(&animation_, &QVariantAnimation::finished, this, [this] {
    camera_ = animationTo_;
    requestTiles();
    emit changed();
    emit regionChanged();
  });
  makeTileNoteDelay();
}

MapModel::~MapModel() {
  if (ageing_) ageing_->invalidate();
}

void MapModel::setViewport(Viewport viewport) { viewport_ = std::move(viewport); }

QSize MapModel::viewSize() const { return viewport_.size ? viewport_.size() : QSize(0, 0); }

void MapModel::viewResized() {
  if (openingView_) {
    const auto opening = *openingView_;
    showAround(opening.first, opening.second);
  }
  requestTiles();
}

double MapModel::maxZoom() const {
  const auto layers = layersOnShow();
  return layers.empty() ? kDefaultMaxZoom : layers.front().maxZoom;
}

double MapModel::scale() const { return geo::kTileSize * std::exp2(camera_.zoom); }

QPointF MapModel::viewOrigin() const {
  const QSize view = viewSize();
  const QPointF world(geo::worldX(camera_.center.longitude), geo::worldY(camera_.center.latitude));
  return world * scale() - QPointF(view.width() / 2.0, view.height() / 2.0);
}

void MapModel::setCamera(const geo::Camera& camera, bool animated) {
  if (!std::isfinite(camera.center.latitude) || !std::isfinite(camera.center.longitude) || !std::isfinite(camera.zoom))
    return;
  openingView_.reset();  // the map has been moved away from where it opened
  geo::Camera target = camera;
  target.zoom = std::clamp(target.zoom, minZoom(), maxZoom());
  target.center.latitude = std::clamp(target.center.latitude, -geo::kMercatorMaxLatitude, geo::kMercatorMaxLatitude);
  target.center.longitude = wrap360(target.center.longitude);
  animation_.stop();
  if (animated && viewport_.shown && viewport_.shown()) {
    animationTo_ = target;
    // Centre and zoom move together; the centre moves in the map's own (Mercator) plane, the short
    // way round the antimeridian.
    animationFromWorld_ = {geo::worldX(camera_.center.longitude), geo::worldY(camera_.center.latitude)};
    double toX = geo::worldX(target.center.longitude);
    toX -= std::round(toX - animationFromWorld_.x());
    animationToWorld_ = {toX, geo::worldY(target.center.latitude)};
    animationFromZoom_ = camera_.zoom;
    animation_.start();
    requestTiles();
  } else {
    camera_ = target;
    requestTiles();
    emit changed();
    emit regionChanged();
  }
}

void MapModel::applyAnimation(double t) {
  const QPointF w = animationFromWorld_ + (animationToWorld_ - animationFromWorld_) * t;
  camera_.center = {geo::latitudeFromWorldY(w.y()), wrap360(geo::longitudeFromWorldX(w.x()))};
  camera_.zoom = animationFromZoom_ + (animationTo_.zoom - animationFromZoom_) * t;
  requestTiles();
  emit changed();
}

GeoRegion MapModel::region() const {
  // While gliding, the region is the one the map is heading to.
  return geo::regionForCamera(destination(), sizeOf(viewSize()));
}

GeoRegion MapModel::regionThatFits(const GeoRegion& region) const {
  const Size view = sizeOf(viewSize());
  return geo::regionForCamera(geo::cameraFittingRegion(region, view, minZoom(), maxZoom()), view);
}

void MapModel::setRegion(const GeoRegion& region, bool animated) {
  setCamera(geo::cameraFittingRegion(region, sizeOf(viewSize()), minZoom(), maxZoom()), animated);
}

void MapModel::showAround(GeoPoint place, double metres) {
  setRegion(regionWithDistance(place, metres, metres), false);
  openingView_ = {place, metres};
}

void MapModel::centreOnUser() {
  const std::optional<GeoPoint> user = userLocation();
  if (!user) return;
  setCamera({*user, std::max(camera_.zoom, std::min(kCentreLeastZoom, maxZoom()))}, true);
  emit regionChanged();
}

void MapModel::panBy(QPointF pixels) {
  animation_.stop();
  openingView_.reset();
  const double s = scale();
  const double x = geo::worldX(camera_.center.longitude) - pixels.x() / s;
  const double y = std::clamp(geo::worldY(camera_.center.latitude) - pixels.y() / s, 0.0, 1.0);
  camera_.center = {geo::latitudeFromWorldY(y), wrap360(geo::longitudeFromWorldX(x))};
  requestTiles();
  emit changed();
}

void MapModel::panEnded() { emit regionChanged(); }

void MapModel::zoomAround(QPointF anchor, double zoomDelta) {
  if (!std::isfinite(zoomDelta)) return;
  animation_.stop();
  openingView_.reset();
  const QSize view = viewSize();
  const double s0 = scale();
  const double ax = geo::worldX(camera_.center.longitude) + (anchor.x() - view.width() / 2.0) / s0;
  const double ay = geo::worldY(camera_.center.latitude) + (anchor.y() - view.height() / 2.0) / s0;
  // A map left deeper than its source goes (after a change of map type) may zoom out, not further in.
  camera_.zoom = std::clamp(camera_.zoom + zoomDelta, minZoom(), std::max(maxZoom(), camera_.zoom));
  const double s1 = scale();
  const double cx = ax - (anchor.x() - view.width() / 2.0) / s1;
  const double cy = std::clamp(ay - (anchor.y() - view.height() / 2.0) / s1, 0.0, 1.0);
  camera_.center = {geo::latitudeFromWorldY(cy), wrap360(geo::longitudeFromWorldX(cx))};
  requestTiles();
  emit changed();
  emit regionChanged();
}

void MapModel::zoomBy(double levels) {
  const QSize view = viewSize();
  zoomAround(QPointF(view.width() / 2.0, view.height() / 2.0), levels);
}

QPointF MapModel::pointForCoordinate(GeoPoint coordinate) const {
  const QSize view = viewSize();
  const double s = scale();
  double dx = geo::worldX(coordinate.longitude) - geo::worldX(camera_.center.longitude);
  dx -= std::round(dx);  // the nearer copy of the world
  const double dy = geo::worldY(coordinate.latitude) - geo::worldY(camera_.center.latitude);
  return {view.width() / 2.0 + dx * s, view.height() / 2.0 + dy * s};
}

GeoPoint MapModel::coordinateForPoint(QPointF point) const {
  const QSize view = viewSize();
  const double s = scale();
  const double x = geo::worldX(camera_.center.longitude) + (point.x() - view.width() / 2.0) / s;
  const double y = std::clamp(geo::worldY(camera_.center.latitude) + (point.y() - view.height() / 2.0) / s, 0.0, 1.0);
  return {geo::latitudeFromWorldY(y), wrap360(geo::longitudeFromWorldX(x))};
}

void MapModel::setNight(bool night) {
  if (night == night_) return;
  night_ = night;
  ++tileGeneration_;  // every kept picture of the map is out of date
  emit changed();
}

void MapModel::setMapType(MapType type) {
  mapType_ = type;
  ++tileGeneration_;
  // A type whose tiles go less deep takes the camera back to its deepest zoom.
  const double deepest = maxZoom();
  if (animating() && animationTo_.zoom > deepest) {
    geo::Camera to = animationTo_;
    to.zoom = deepest;
    setCamera(to, true);
  } else if (!animating() && camera_.zoom > deepest) {
    geo::Camera to = camera_;
    to.zoom = deepest;
    setCamera(to, false);
  }
  requestTiles();
  emit changed();
  emit mapTypeChanged();
}

// ---- the user's position ----

void MapModel::setUserLocation(std::optional<GeoPoint> location, double accuracy, PositionSource source) {
  std::optional<PositionReport> fix;
  if (location) fix = PositionReport{*location, accuracy, source, now()};
  if (position_.givenOutright()) return;
  position_.setFix(fix);
  positionChanged(location.has_value());
}

void MapModel::overrideUserLocation(std::optional<GeoPoint> location) {
  std::optional<PositionReport> given;
  if (location) given = PositionReport{*location, 0, PositionSource::Fixed, now()};
  position_.giveOutright(given);
  positionChanged(location.has_value());
}

void MapModel::stopOverridingUserLocation() {
  if (!position_.givenOutright()) return;
  position_.stopGivingOutright();
  positionChanged(false);
}

void MapModel::setUserLocationByHand(GeoPoint place) {
  position_.setByUser({place, 0, PositionSource::Pinned, now()});
  positionChanged(true);
}

void MapModel::restoreUserLocation(GeoPoint place, double time) {
  if (position_.restore({place, 0, PositionSource::Remembered, time})) positionChanged(false);
}

void MapModel::setPositionProblem(PositionProblem problem) {
  if (position_.setProblem(problem)) emit userLocationChanged();
}

void MapModel::setPositionSourceNamed(bool named) {
  if (named == positionSourceNamed_) return;
  positionSourceNamed_ = named;
  emit userLocationChanged();
}

void MapModel::setClock(std::shared_ptr<const Clock> clock, std::shared_ptr<TimerScheduler> timers) {
  clock_ = std::move(clock);
  timers_ = std::move(timers);
  positionChanged(false);
}

void MapModel::positionChanged(bool heard) {
  // The words about an aged position change with the minutes.
  const bool ages = positionAge().has_value();
  if (!ages && ageing_) {
    ageing_->invalidate();
    ageing_.reset();
  }
  if (ages && !ageing_ && timers_) ageing_ = timers_->scheduledTimer(60, true, [this] { emit userLocationChanged(); });
  emit userLocationChanged();
  emit changed();
  if (!heard) return;
  if (const std::optional<PositionReport> report = position_.report())
    emit userLocationHeard(report->coordinate.latitude, report->coordinate.longitude,
                           report->source == PositionSource::Pinned);
}

// ---- what is drawn over the tiles ----

std::vector<MapCircle> MapModel::circles() const {
  std::vector<MapCircle> circles;
  circles.reserve(circles_.size());
  for (const CircleShape& shape : circles_) circles.push_back(shape.circle);
  return circles;
}

MapCircleId MapModel::addCircle(GeoPoint centre, double radius, MapCircleStyleSource style) {
  CircleShape shape{{++lastCircleId_, centre, radius}, std::move(style), std::nullopt, {}, {}};
  for (const auto& c : geo::geodesicCircle(centre, radius, kCirclePoints))
    shape.ring.emplace_back(geo::worldX(c.longitude), geo::worldY(c.latitude));
  shape.bounds = QPolygonF(QList<QPointF>(shape.ring.begin(), shape.ring.end())).boundingRect();
  circles_.push_back(std::move(shape));
  overlaysChanged();
  emit circlesChanged();
  return lastCircleId_;
}

void MapModel::removeCircle(MapCircleId id) {
  std::erase_if(circles_, [id](const CircleShape& shape) { return shape.circle.id == id; });
  overlaysChanged();
  emit circlesChanged();
}

void MapModel::styleCircles() {
  for (CircleShape& shape : circles_) {
    if (shape.style || !shape.styleSource) continue;
    shape.style = shape.styleSource();
    if (shape.style) ++overlayGeneration_;
  }
}

void MapModel::addLayer(const MapLayer* layer) {
  if (!layer) return;
  layers_.push_back(layer);
  layerChanged();
}

void MapModel::removeLayer(const MapLayer* layer) {
  std::erase(layers_, layer);
  layerChanged();
}

void MapModel::layerChanged() { overlaysChanged(); }

void MapModel::setCirclesPast(bool past) {
  if (past == circlesPast_) return;
  circlesPast_ = past;
  overlaysChanged();
}

void MapModel::overlaysChanged() {
  ++overlayGeneration_;
  emit changed();
}

}  // namespace storm::qt
