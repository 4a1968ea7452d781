#pragma once

#include <QAbstractButton>
#include <QHash>
#include <QImage>
#include <QPointF>
#include <QPointer>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "map/GeoMath.h"
#include "map/qt/MapCircle.h"
#include "map/qt/MapDecorations.h"
#include "map/qt/MapLayer.h"
#include "map/qt/MapSources.h"
#include "map/qt/MapType.h"
#include "map/qt/TileLoader.h"

class QPainter;

// The map on screen: a Web Mercator view of the world at a centre and zoom, drawn from 256-pixel
// tiles of the source for the current map type, with the layers features add and over them the
// circles, the user's position with its accuracy, a scale bar, the
// sources' attribution and a feature's panel at the top. It pans by dragging
// and the arrow keys, zooms by wheel, pinch, double-click and +/-, and glides to regions it is
// asked to show with animation.

namespace storm::qt {

class MapWidget : public QWidget {
  Q_OBJECT

 public:
  // How complete the tiles for what the map now shows (or is gliding to) are.
  struct TileStatus {
    int needed = 0;   // tiles of every layer on show
    int ready = 0;    // of those, held in memory
    int failing = 0;  // of those, last tried without success
  };

  explicit MapWidget(QWidget* parent = nullptr);

  // Where tiles come from; until called the map draws only its placeholder grid and fetches nothing.
  void setTileSources(const MapSources& sources, TileLoader::Settings settings);
  TileLoader* tileLoader() const { return loader_; }
  TileStatus tileStatus();

  geo::Camera camera() const { return camera_; }
  void setCamera(const geo::Camera& camera, bool animated);
  bool animating() const { return animation_.state() == QAbstractAnimation::Running; }
  double minZoom() const { return 0; }
  // The deepest zoom of the current map type's tiles.
  double maxZoom() const;

  MKCoordinateRegion region() const;
  MKCoordinateRegion regionThatFits(const MKCoordinateRegion& region) const;
  void setRegion(const MKCoordinateRegion& region, bool animated);

  // The last fix, else the place the user set (or that was restored); nothing when neither.
  std::optional<CLLocationCoordinate2D> userLocation() const { return userLocation_ ? userLocation_ : placeSet_; }
  double userLocationAccuracy() const { return accuracy_; }
  // The position a position source reports (accuracy in metres, 0 when unknown). Ignored once the
  // position has been overridden. A fix replaces a place the user set.
  void setUserLocation(std::optional<CLLocationCoordinate2D> location, double accuracy = 0);
  // Puts the user at `location` from now on, whatever position sources say.
  void overrideUserLocation(std::optional<CLLocationCoordinate2D> location);
  // The user's "I am here": `place` is their position until the next fix.
  void setUserLocationByHand(CLLocationCoordinate2D place);
  // A place kept from before: the position while there is no fix, and nobody is told.
  void restoreUserLocation(CLLocationCoordinate2D place);
  // Centres on `place` with `metres` of ground across the narrower side; kept fitted to the
  // widget's size while the window is laid out, until the map is moved.
  void showAround(CLLocationCoordinate2D place, double metres);
  // Centres on the user's position, zoomed in at least far enough to see the country round it.
  void centreOnUser();
  // The words shown over the map when no position is known; empty when one is.
  QString noticeText() const;
  // The note at the foot of the map while tiles it needs are missing: on their way (once they
  // have kept the map waiting a moment) or failing. Empty while every tile is there.
  QString tileNoteText() const { return tileNote_; }
  // Where the sources' credit is drawn (empty before the first paint or without a credit); its
  // whole text is the tooltip there.
  QRect creditRect() const { return creditRect_; }

  // The circles on the map, in the order added (the last on top).
  std::vector<MapCircle> circles() const;
  // Puts a circle of `radius` metres around `centre` on the map, styled by `style` when first drawn.
  MapCircleId addCircle(CLLocationCoordinate2D centre, double radius, MapCircleStyleSource style);
  void removeCircle(MapCircleId id);

  // Layers drawn under the circles, in the order added (the last on top); the map does not own
  // them. A layer says when it has changed.
  void addLayer(const MapLayer* layer);
  void removeLayer(const MapLayer* layer);
  void layerChanged();
  // The panel at the top of the map (a child of the map), clear of the re-centre control and the
  // notice; placed again whenever the map or, through placeTopPanel, the panel changes.
  void setTopPanel(MapPanel* panel);
  void placeTopPanel();
  // The words a screen reader hears for the storm circle's radius; by default kilometres.
  void setRadiusWords(std::function<QString(double metres)> words);

  MapType mapType() const { return mapType_; }
  void setMapType(MapType type);

  // Zooms about the middle of the map, as + and - do.
  void zoomBy(double levels);
  // What a screen reader says of the map: its type, the storm circle (its radius as the distance
  // label gives it, and its centre) or that there is none, and whether the user's position is known.
  QString accessibleSummary() const;

  // Where a coordinate lands in the widget, in widget pixels, and back.
  QPointF pointForCoordinate(CLLocationCoordinate2D coordinate) const;
  CLLocationCoordinate2D coordinateForPoint(QPointF point) const;

 signals:
  void regionChanged();
  // A fix arrived (`byHand` false) or the user set their position (true).
  void userLocationHeard(double latitude, double longitude, bool byHand);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  // Whether the keyboard reached the map (Tab), so that it shows where the arrows and +/- go.
  bool keyboardFocus_ = false;
  struct Layer {
    int index = -1;  // in the tile loader
    int minZoom = 0;
    int maxZoom = 0;
  };
  struct TileCell {
    int z = 0;
    int x = 0;  // wrapped into the world
    int y = 0;
    QRect target;
  };
  struct CircleEntry {
    MapCircle circle;
    MapCircleStyleSource styleSource;
    std::optional<MapCircleStyle> style;  // asked of its source when first drawn
    std::vector<QPointF> ring;            // the outline in world units
    QRectF bounds;                        // the ring's, in world units
  };
  struct ScaledTile {
    TileKey key;  // the tile whose image was scaled
    int up = 0;   // levels above the cell it stands in for
    QSize size;   // device pixels
    friend bool operator==(const ScaledTile&, const ScaledTile&) = default;
    friend size_t qHash(const ScaledTile& t, size_t seed = 0) {
      return qHashMulti(seed, t.key, t.up, t.size.width(), t.size.height());
    }
  };

  Size viewSize() const;
  double scale() const;  // pixels per world unit
  std::vector<Layer> layersOnShow() const;
  std::vector<TileCell> cellsFor(const geo::Camera& camera, const Layer& layer) const;
  std::vector<TileKey> tilesWanted();
  // Tells the loader which tiles the map shows, or is gliding to, now. Called whenever that may
  // have changed (camera, size, map type, sources, a retry falling due): painting only paints.
  void requestTiles();
  void zoomAround(QPointF anchor, double zoomDelta);
  void panBy(QPointF pixels);
  void applyAnimation(double t);

  void drawTiles(QPainter& painter);
  bool drawTile(QPainter& painter, const Layer& layer, const TileCell& cell);
  const QImage& scaledTile(const ScaledTile& key, const QImage& image, const QRect& source, double dpr);
  void drawPlaceholder(QPainter& painter, const QRect& target);
  void drawOverlays(QPainter& painter);
  void drawUserLocation(QPainter& painter);
  void drawScaleBar(QPainter& painter);
  void drawAttribution(QPainter& painter);
  void drawNotice(QPainter& painter);
  // The lowest edge of what the top of the map shows: the re-centre control, the position notice
  // and the storm's panel.
  int topDecorationsBottom() const;
  // Works out the tile note from the tiles now wanted; repaints when it changes.
  void updateTileNote();
  QString attribution() const;
  void makePositionControls();
  void placePositionControls();
  void updatePositionControls();
  // Keeps the accessible description in step with what the map shows.
  void describeForAccessibility();
  // The menu with "I am here" for the point `at` (widget pixels).
  void offerPosition(QPoint at);

  geo::Camera camera_;
  MapSources sources_;
  QPointer<TileLoader> loader_;
  std::array<std::vector<Layer>, 3> layers_;  // per map type: base, then overlay
  std::optional<CLLocationCoordinate2D> userLocation_;
  double accuracy_ = 0;
  bool locationOverridden_ = false;
  std::optional<CLLocationCoordinate2D> placeSet_;
  std::optional<std::pair<CLLocationCoordinate2D, double>> openingView_;  // from showAround
  QTimer* longPress_ = nullptr;
  QPoint pressedAt_;
  QAbstractButton* centre_ = nullptr;
  QPointer<MapPanel> topPanel_;
  std::vector<const MapLayer*> featureLayers_;
  std::function<QString(double)> radiusWords_;
  std::vector<CircleEntry> entries_;  // in drawing order
  MapCircleId lastCircleId_ = 0;
  MapType mapType_ = MapType::Standard;
  QVariantAnimation animation_;
  geo::Camera animationTo_;
  QPointF animationFromWorld_, animationToWorld_;
  double animationFromZoom_ = 0;
  std::optional<QPointF> dragFrom_;
  MapDecorations decorations_;
  std::vector<TileKey> wanted_;  // as last told to the loader
  QString tileNote_, tileNoteShort_;
  QTimer* loadingDelay_ = nullptr;  // a note that tiles are on their way waits for this
  bool loadingWaited_ = false;      // tiles have been on their way since it ran out
  QRect creditRect_;
  struct MeasuredNotice {
    QString text;
    int width = 0;
    int height = 0;
  };
  mutable MeasuredNotice noticeHeight_;  // for topDecorationsBottom()
  // The overlays drawn for one zoom over a stretch of the map around the view; a pan only moves it.
  QImage overlayImage_;
  QPointF overlayOrigin_;  // its top left, in world pixels at overlayZoom_
  double overlayZoom_ = -1;
  bool overlaysChanged_ = true;
  struct Scaled {
    QImage image;
    quint64 frame = 0;  // the last one it was drawn in
  };
  QHash<ScaledTile, Scaled> scaled_;
  quint64 frame_ = 0;
  double paintDpr_ = 1;  // of the device the current paint goes to
  double scaledZoom_ = -1;
  double scaledDpr_ = 1;
};

}  // namespace storm::qt
