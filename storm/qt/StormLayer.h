#pragma once

#include <QPointF>
#include <QAbstractButton>
#include <QPointer>
#include <QRectF>
#include <functional>
#include <optional>
#include <vector>

#include "map/qt/MapLayer.h"
#include "storm/StormPicture.h"

// The storm's layer of the main screen's map: the rings of earlier strikes, drawn under the map's
// overlays as a thin dark red line between faint light ones (visible on imagery as on streets),
// the storm's panel at the top of the map, and the fit of the map to the whole storm, which a
// control of the map (and the panel, after the second strike) offers.

namespace storm::qt {

class MapWidget;
class StormPanelWidget;

class StormLayer : public StormMapLayer, public MapLayer {
 public:
  // Draws on `map` from now on; `held` as with hold().
  explicit StormLayer(MapWidget* map, bool held = false);
  ~StormLayer() override;
  StormLayer(const StormLayer&) = delete;
  StormLayer& operator=(const StormLayer&) = delete;

  void setStrikeRings(std::vector<StrikeRing> rings) override;
  void setStormPanel(const StormPanel& panel) override;
  void setStormRegion(std::optional<MKCoordinateRegion> region) override;
  void setCirclePast(bool past) override;
  bool circlePast() const;
  // Fits the map to every circle of the last hour's strikes (their rings and the main circle).
  bool showStorm();
  // What the panel's Undo does.
  void setUndo(std::function<void()> undo);
  // What the layer shows, or will show once released.
  const std::vector<StrikeRing>& strikeRings() const { return held_ ? held_->rings : rings_; }
  StormPanel stormPanel() const { return held_ ? held_->panel : panel_; }
  // While held, rings and panel are kept (and read back) but neither laid out nor drawn; releasing
  // shows the latest. The application holds them until its window's first frame is on screen, so
  // that a storm read back from the log never delays it.
  void hold(bool held);

  QRectF extent(const MapLayerFrame& frame) const override;
  void paint(QPainter& painter, const MapLayerFrame& frame, QPointF origin) const override;

 private:
  // Hands the map the panel and its control for the whole storm.
  void showOnMap();

  struct RingEntry {
    StrikeRing ring;
    std::vector<QPointF> points;  // in world units
    QRectF bounds;                // the points', in world units
  };
  struct Held {
    std::vector<StrikeRing> rings;
    StormPanel panel;
  };

  QPointer<MapWidget> map_;
  QPointer<StormPanelWidget> panelWidget_;
  QPointer<QAbstractButton> showStorm_;  // the map's control for showStorm()
  std::vector<StrikeRing> rings_;
  std::vector<RingEntry> entries_;  // one per ring drawn, as given
  StormPanel panel_;
  std::optional<Held> held_;
  std::optional<MKCoordinateRegion> region_;
};

}  // namespace storm::qt
