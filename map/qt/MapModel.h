#pragma once

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QVariantAnimation>
#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "map/GeoMath.h"
#include "map/PositionState.h"
#include "map/qt/MapCircle.h"
#include "map/qt/MapLayer.h"
#include "map/qt/MapSources.h"
#include "map/qt/MapType.h"
#include "map/qt/TileLoader.h"
#include "system/Clock.h"

class QTimer;

// What the map shows, apart from how it is drawn: a Web Mercator camera (a centre and a zoom) over
// a view of some size, and its glide to the places it is asked to show; the map type, its tile
// layers and the tiles they want now; the user's position; the circles; the layers features add.
// The widget that draws it lends it the view (its size, whether it is on screen) and turns input
// into its moves; everything else reads and changes the map here. Main thread only.

namespace storm::qt {

class MapModel : public QObject {
  Q_OBJECT

 public:
  // The zoom the placeholder grid and a map without tiles go down to.
  static constexpr double kDefaultMaxZoom = 19;

  // How complete the tiles for what the map now shows (or is gliding to) are.
  struct TileStatus {
    int needed = 0;   // tiles of every layer on show
    int ready = 0;    // of those, held in memory
    int failing = 0;  // of those, last tried without success
  };
  // One tile layer of the map type on show.
  struct TileLayerOnShow {
    int index = -1;  // in the tile loader
    int minZoom = 0;
    int maxZoom = 0;
  };
  // Where one tile of a layer goes in the view.
  struct TileCell {
    int z = 0;
    int x = 0;  // wrapped into the world
    int y = 0;
    QRect target;  // in view pixels
  };
  // A circle as the map draws it.
  struct CircleShape {
    MapCircle circle;
    MapCircleStyleSource styleSource;
    std::optional<MapCircleStyle> style;  // asked of its source when first drawn
    std::vector<QPointF> ring;            // the outline in world units
    QRectF bounds;                        // the ring's, in world units
  };
  // The view the map is shown in: its size in pixels, read whenever it is needed, and whether it
  // is on screen. Without one the view has no size and a glide is made at once.
  struct Viewport {
    std::function<QSize()> size;
    std::function<bool()> shown;
  };

  explicit MapModel(QObject* parent = nullptr);
  ~MapModel() override;

  void setViewport(Viewport viewport);
  QSize viewSize() const;
  // The view changed size: a map that opened around a place fits it again, and tiles are asked for.
  void viewResized();

  geo::Camera camera() const { return camera_; }
  // Where the map is heading while it glides; else where it is.
  const geo::Camera& destination() const { return animating() ? animationTo_ : camera_; }
  void setCamera(const geo::Camera& camera, bool animated);
  bool animating() const { return animation_.state() == QAbstractAnimation::Running; }
  double minZoom() const { return 0; }
  // The deepest zoom of the current map type's tiles.
  double maxZoom() const;
  // Pixels per world unit at the camera's zoom.
  double scale() const;
  // The view's top left corner in world pixels (world units times scale()).
  QPointF viewOrigin() const;

  GeoRegion region() const;
  GeoRegion regionThatFits(const GeoRegion& region) const;
  void setRegion(const GeoRegion& region, bool animated);
  // Centres on `place` with `metres` of ground across the narrower side; kept fitted to the
  // view's size while the window is laid out, until the map is moved.
  void showAround(GeoPoint place, double metres);
  // Centres on the user's position, zoomed in at least far enough to see the country round it.
  void centreOnUser();

  // Moves the map with a drag or a key by `pixels` of the view; panEnded() says that a drag ended.
  void panBy(QPointF pixels);
  void panEnded();
  // Zooms by `zoomDelta` levels keeping `anchor` (view pixels) in place.
  void zoomAround(QPointF anchor, double zoomDelta);
  // Zooms about the middle of the view, as + and - do.
  void zoomBy(double levels);

  // Where a coordinate lands in the view, in view pixels, and back.
  QPointF pointForCoordinate(GeoPoint coordinate) const;
  GeoPoint coordinateForPoint(QPointF point) const;

  MapType mapType() const { return mapType_; }
  void setMapType(MapType type);
  // The night look (dimmed tiles, a dark grid); the widget draws it.
  bool night() const { return night_; }
  void setNight(bool night);

  // Where tiles come from; until called the map has only its placeholder grid and fetches nothing.
  void setTileSources(const MapSources& sources, TileLoader::Settings settings);
  TileLoader* tileLoader() const { return loader_; }
  // The tile layers of the map type on show, base first; none without tile sources.
  std::vector<TileLayerOnShow> layersOnShow() const;
  // The tiles of `layer` that cover `area` of the view (view pixels; the view itself when empty)
  // with the camera at `camera`, nearest the middle first.
  std::vector<TileCell> cellsFor(const geo::Camera& camera, const TileLayerOnShow& layer, QRect area = {}) const;
  TileStatus tileStatus();
  // What the foot of the map says while tiles it needs are missing: that they are on their way
  // (once they have kept the map waiting a moment), or that some or all of them cannot be loaded.
  enum class TileNote { None, Loading, SomeOffline, AllOffline };
  TileNote tileNote() const { return tileNote_; }
  // The credit line of the sources on show.
  QString attribution() const;

  // What is known of the user's position and how far to trust it.
  const PositionState& position() const { return position_; }
  // The last fix, else the place the user set (or that was restored); nothing when neither.
  std::optional<GeoPoint> userLocation() const {
    const auto report = position_.report();
    return report ? std::optional(report->coordinate) : std::nullopt;
  }
  double userLocationAccuracy() const {
    const auto report = position_.report();
    return report ? report->accuracy : 0;
  }
  // How the map should speak of the position now.
  PositionState::Standing positionStanding() const { return position_.standingAt(now()); }
  std::optional<double> positionAge() const { return position_.ageAt(now()); }
  // The position `source` reports, timed now (accuracy in metres, 0 when unknown), or its loss.
  // Ignored while the position is overridden. A fix replaces a place the user set.
  void setUserLocation(std::optional<GeoPoint> location, double accuracy = 0,
                       PositionSource source = PositionSource::Fixed);
  // Puts the user at `location` from now on, whatever position sources say.
  void overrideUserLocation(std::optional<GeoPoint> location);
  // Listens to position sources again after overrideUserLocation, with no fix until one comes.
  void stopOverridingUserLocation();
  // The user's "I am here": `place` is their position until the next fix.
  void setUserLocationByHand(GeoPoint place);
  // A place kept from before, as of wall-clock `time` (0: unknown): the position while there is no
  // fix, and nobody is told.
  void restoreUserLocation(GeoPoint place, double time = 0);
  // Why the position source gives no position (None while it does).
  void setPositionProblem(PositionProblem problem);
  // Whether the notice names the source of the position: when more than one may give it.
  void setPositionSourceNamed(bool named);
  bool positionSourceNamed() const { return positionSourceNamed_; }
  // Dates fixes and ages the position; without it positions have no time. Once a minute while the
  // position has an age, userLocationChanged() lets the words about it move on.
  void setClock(std::shared_ptr<const Clock> clock, std::shared_ptr<TimerScheduler> timers);

  // The circles on the map, in the order added (the last on top).
  std::vector<MapCircle> circles() const;
  // Puts a circle of `radius` metres around `centre` on the map, styled by `style` when first drawn.
  MapCircleId addCircle(GeoPoint centre, double radius, MapCircleStyleSource style);
  void removeCircle(MapCircleId id);
  const std::vector<CircleShape>& circleShapes() const { return circles_; }
  // Whether the circles stand for the past (a storm that is over): they are then drawn as such.
  bool circlesPast() const { return circlesPast_; }
  void setCirclesPast(bool past);
  // Asks the circles not styled yet for their style, as they are about to be drawn.
  void styleCircles();

  // Layers drawn under the circles, in the order added (the last on top); the map does not own
  // them. A layer says when it has changed.
  void addLayer(const MapLayer* layer);
  void removeLayer(const MapLayer* layer);
  void layerChanged();
  const std::vector<const MapLayer*>& layers() const { return layers_; }

  // Moves on whenever what is drawn over the tiles (circles, their styles, layers) changes.
  quint64 overlayGeneration() const { return overlayGeneration_; }
  // Moves on whenever the tiles that may be drawn change: a tile arriving, new sources, another
  // map type.
  quint64 tileGeneration() const { return tileGeneration_; }

 signals:
  // What the map shows has changed: it wants drawing again.
  void changed();
  void regionChanged();
  void mapTypeChanged();
  void circlesChanged();
  // The user's position became known, moved, was lost, or grew older; or the location service's
  // problem changed.
  void userLocationChanged();
  // A fix arrived (`byHand` false) or the user set their position (true).
  void userLocationHeard(double latitude, double longitude, bool byHand);
  // A tile came into memory (anew, if it was fetched again).
  void tileReady(const storm::qt::TileKey& key);

 private:
  void applyAnimation(double t);
  std::vector<TileKey> tilesWanted();
  // Tells the loader which tiles the map shows, or is gliding to, now. Called whenever that may
  // have changed (camera, size, map type, sources, a retry falling due): drawing only draws.
  void requestTiles();
  void makeTileNoteDelay();
  // Works out the tile note from the tiles now wanted.
  void updateTileNote();
  void overlaysChanged();

  Viewport viewport_;
  geo::Camera camera_;
  QVariantAnimation animation_;
  geo::Camera animationTo_;
  QPointF animationFromWorld_, animationToWorld_;
  double animationFromZoom_ = 0;
  std::optional<std::pair<GeoPoint, double>> openingView_;  // from showAround
  MapType mapType_ = MapType::Standard;
  bool night_ = false;

  MapSources sources_;
  QPointer<TileLoader> loader_;
  std::array<std::vector<TileLayerOnShow>, 3> tileLayers_;  // per map type: base, then overlay
  std::vector<TileKey> wanted_;                             // as last told to the loader
  TileNote tileNote_ = TileNote::None;
  QTimer* loadingDelay_ = nullptr;  // a note that tiles are on their way waits for this
  bool loadingWaited_ = false;      // tiles have been on their way since it ran out

  double now() const { return clock_ ? clock_->now() : 0; }
  void positionChanged(bool heard);

  PositionState position_;
  bool positionSourceNamed_ = false;
  std::shared_ptr<const Clock> clock_;
  std::shared_ptr<TimerScheduler> timers_;
  std::shared_ptr<Timer> ageing_;

  std::vector<CircleShape> circles_;  // in drawing order
  bool circlesPast_ = false;
  MapCircleId lastCircleId_ = 0;
  std::vector<const MapLayer*> layers_;
  quint64 overlayGeneration_ = 0;
  quint64 tileGeneration_ = 0;
};

}  // namespace storm::qt
