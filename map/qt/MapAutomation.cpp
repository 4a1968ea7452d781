// Automation commands and state of the map widget: the user's position, the camera, and what the
// widget draws.

#include <cmath>

#include "map/qt/MapAutomation.h"

#include <QPointer>

#include "BuildConfig.h"
#include "map/qt/MapWidget.h"
#include "map/qt/PositionFeed.h"

namespace storm::qt {

namespace {

// The map widget as drawn (its place in the window is map.frame): its zoom, whether it is
// gliding, how many of the tiles it shows (or glides to) are in memory or failing, and the note
// shown while some are missing; where the circles and the user's position are drawn, in window
// pixels ([x, y, radius] and [x, y]), for reading a screenshot.
Json mapViewState(const MapWidget& map) {
  const MapModel::TileStatus tiles = map.model().tileStatus();
  const QPointF origin = map.mapTo(map.window(), QPoint(0, 0));
  Json circles = Json::array();
  for (const MapModel::CircleShape& shape : map.model().circleShapes()) {
    const QPointF c = map.model().pointForCoordinate(shape.circle.centre) + origin;
    circles.push(Json(Json::Array{c.x(), c.y(), shape.bounds.width() * map.model().scale() / 2}));
  }
  Json user;
  if (const auto at = map.model().userLocation()) {
    const QPointF p = map.model().pointForCoordinate(*at) + origin;
    user = Json(Json::Array{p.x(), p.y()});
  }
  return Json::object()
      .set("zoom", map.model().camera().zoom)
      .set("animating", map.model().animating())
      .set("accuracy", map.model().userLocationAccuracy())
      .set("notice", map.noticeText().isEmpty() ? Json() : Json(map.noticeText().toStdString()))
      .set("offline", map.tileNoteText().isEmpty() ? Json() : Json(map.tileNoteText().toStdString()))
      .set("tiles", Json::object().set("needed", tiles.needed).set("ready", tiles.ready).set("failing", tiles.failing))
      .set("circlePixels", std::move(circles))
      .set("userPixel", std::move(user));
}

}  // namespace

void registerMapAutomation(AutomationDriver& driver, MapWidget* widget) {
  const QPointer<MapWidget> map(widget);
  driver.addCommand("location", [map](const QStringList& args) {
    if (!map) return Reply::fail("no map");
    double lat = 0, lon = 0;
    if (args.size() == 1 && args[0] == "none") {
      map->model().overrideUserLocation(std::nullopt);
    } else if (args.size() == 1 && args[0] == "system") {
      // The desktop's location service, as outside automation mode.
      auto* feed = map->model().findChild<PositionFeed*>();
      if (!feed) return Reply::fail("the map has no position feed yet");
      map->model().stopOverridingUserLocation();
      feed->useSystemSource(build::kApplicationId);
    } else if (args.size() == 2 && toDouble(args[0], lat) && toDouble(args[1], lon) && std::abs(lat) <= 90 &&
               std::abs(lon) <= 180) {
      map->model().overrideUserLocation(GeoPoint{lat, lon});
    } else {
      return Reply::fail("location needs LAT LON in degrees, none or system");
    }
    return Reply::ok();
  });
  // The user's "I am here", as the map's menu gives it.
  driver.addCommand("pin", [map](const QStringList& args) {
    if (!map) return Reply::fail("no map");
    double lat = 0, lon = 0;
    if (args.size() != 2 || !toDouble(args[0], lat) || !toDouble(args[1], lon) || std::abs(lat) > 90 ||
        std::abs(lon) > 180)
      return Reply::fail("pin needs LAT LON in degrees");
    map->model().setUserLocationByHand(GeoPoint{lat, lon});
    return Reply::ok();
  });
  driver.addCommand("camera", [map](const QStringList& args) {
    if (!map) return Reply::fail("no map");
    double lat = 0, lon = 0, zoom = 0;
    if (args.size() != 3 || !toDouble(args[0], lat) || !toDouble(args[1], lon) || !toDouble(args[2], zoom) ||
        std::abs(lat) > 90 || std::abs(lon) > 180)
      return Reply::fail("camera needs LAT LON ZOOM");
    map->model().setCamera({{lat, lon}, zoom}, false);
    return Reply::ok();
  });
  driver.addStateMember("mapView", [map]() -> Json { return map ? mapViewState(*map) : Json(); });
}

}  // namespace storm::qt
